-- Listwright's delivered database. The program never creates tables; it only adds
-- TB_URL.SaleNum, TB_URL.SalePrice and TB_URL.CheckState to files made before they
-- existed.

CREATE TABLE TB_Groups (
  Uniqid INTEGER PRIMARY KEY AUTOINCREMENT,
  GroupName TEXT NOT NULL DEFAULT '',
  Tag INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE TB_URL (
  Uniqid INTEGER PRIMARY KEY AUTOINCREMENT,
  tag INTEGER NOT NULL DEFAULT 0,
  uGroup INTEGER NOT NULL DEFAULT 0,
  num_iid TEXT NOT NULL DEFAULT '',
  detail_url TEXT NOT NULL DEFAULT '',
  title TEXT NOT NULL DEFAULT '',
  IsDownload INTEGER NOT NULL DEFAULT 0,
  bcheck INTEGER NOT NULL DEFAULT 0,
  remark TEXT NOT NULL DEFAULT '',
  SaleNum int NOT NULL DEFAULT 0,
  SalePrice money NOT NULL DEFAULT 0,
  CheckState INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IX_TB_URL_uGroup ON TB_URL (uGroup);
CREATE INDEX IX_TB_URL_num_iid ON TB_URL (num_iid);

CREATE TABLE TB_Mapping (
  Uniqid INTEGER PRIMARY KEY AUTOINCREMENT,
  FromValue01 TEXT NOT NULL DEFAULT '',
  FromValue02 TEXT NOT NULL DEFAULT '',
  ToValue TEXT NOT NULL DEFAULT ''
);

CREATE TABLE TB_Itemcats (
  cid INTEGER,
  parent_cid INTEGER,
  name TEXT,
  is_parent INTEGER NOT NULL DEFAULT 0,
  layer_level INTEGER NOT NULL DEFAULT 0,
  status INTEGER NOT NULL DEFAULT 0,
  sort_order INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IX_TB_Itemcats_cid ON TB_Itemcats (cid);
CREATE INDEX IX_TB_Itemcats_name ON TB_Itemcats (name);
CREATE INDEX IX_TB_Itemcats_parent ON TB_Itemcats (parent_cid);

CREATE TABLE TB_ItemProps (
  is_input_prop INTEGER NOT NULL DEFAULT 0,
  cid TEXT,
  pid TEXT,
  parent_pid TEXT,
  parent_vid TEXT,
  name TEXT,
  is_key_prop INTEGER NOT NULL DEFAULT 0,
  is_sale_prop INTEGER NOT NULL DEFAULT 0,
  is_color_prop INTEGER NOT NULL DEFAULT 0,
  is_enum_prop INTEGER NOT NULL DEFAULT 0,
  is_item_prop INTEGER NOT NULL DEFAULT 0,
  must INTEGER NOT NULL DEFAULT 0,
  multi INTEGER NOT NULL DEFAULT 0,
  status INTEGER NOT NULL DEFAULT 0,
  sort_order TEXT,
  child_template TEXT,
  is_allow_alias INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IX_TB_ItemProps_cid ON TB_ItemProps (cid, name);

CREATE TABLE TB_ItemPropValue (
  cid TEXT,
  pid TEXT,
  prop_name TEXT,
  vid TEXT,
  name TEXT,
  name_alias TEXT
);
CREATE INDEX IX_TB_ItemPropValue_cid ON TB_ItemPropValue (cid, pid, name);

CREATE TABLE _Parameter (
  NM INTEGER NOT NULL,
  ParaValue TEXT NOT NULL DEFAULT '',
  ParaDesc TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IX_Parameter_NM ON _Parameter (NM);

-- Rows the program only updates.
INSERT INTO _Parameter (NM, ParaValue, ParaDesc) VALUES (4, '', '');
INSERT INTO _Parameter (NM, ParaValue, ParaDesc) VALUES (10, '', '');
INSERT INTO _Parameter (NM, ParaValue, ParaDesc) VALUES (11, '', '');
INSERT INTO _Parameter (NM, ParaValue, ParaDesc) VALUES (500, '', '');
INSERT INTO _Parameter (NM, ParaValue, ParaDesc) VALUES (502, '', '');

-- Ids found by property look-ups, used by later runs for a number of days (setting 610).
CREATE TABLE TB_FoundLookup (
  cid TEXT NOT NULL,
  pid TEXT NOT NULL DEFAULT '',
  name TEXT NOT NULL,
  found_pid TEXT NOT NULL DEFAULT '',
  found_vid TEXT NOT NULL DEFAULT '',
  found_day INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IX_TB_FoundLookup ON TB_FoundLookup (cid, pid, name);
INSERT INTO _Parameter (NM, ParaValue, ParaDesc) VALUES (610, '7', '属性查询结果保留天数');
