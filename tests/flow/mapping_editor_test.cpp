// The mapping editor and its dialog: list, add, modify, delete, select-all, the
// duplicate test on the joined key, and the import of GBK files.
#include "catalog/mapping_editor.hpp"
#include "catalog/mapping_entry.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"
#include "util/codec.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace lw;
using namespace lw::test;

namespace {

using Row = std::vector<std::string>;

class MappingEditor : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<Database> db = makeTestDatabase(dir.path());
    ScriptedDialogs dialogs;
    MappingEntryLogic modi{*db, dialogs};
    // What the user does in the dialog each time it is shown; closing it with the window
    // button when the steps leave it open.
    std::deque<std::function<void(MappingEntryLogic&)>> inDialog;
    std::vector<std::string> dialogCaptions;
    MappingEditorLogic admin{*db, dialogs, modi, [this](MappingEntryLogic& d) {
                                 dialogCaptions.push_back(d.caption);
                                 d.onShown();
                                 if (!inDialog.empty()) {
                                     auto steps = inDialog.front();
                                     inDialog.pop_front();
                                     steps(d);
                                 }
                                 if (d.modalResult == ModalResult::None)
                                     d.cancel();
                                 return d.modalResult;
                             }};

    static std::function<void(MappingEntryLogic&)> type(std::string category, std::string gender,
                                                        std::string target) {
        return [=](MappingEntryLogic& d) {
            d.category = category;
            d.gender = gender;
            d.taobaoName = target;
            d.confirm();
        };
    }
    void add(const std::string& c, const std::string& g, const std::string& t) {
        inDialog.push_back(type(c, g, t));
        admin.addEntry();
    }
    std::vector<Row> table() {
        std::vector<Row> rows;
        for (Query q = db->query("select FromValue01,FromValue02,ToValue from TB_Mapping order "
                                 "by Uniqid");
             !q.eof(); q.next())
            rows.push_back({q.text("FromValue01"), q.text("FromValue02"), q.text("ToValue")});
        return rows;
    }
    std::vector<Row> listed() {
        std::vector<Row> rows;
        for (const MappingRow& r : admin.rows())
            rows.push_back({r.category, r.gender, r.taobaoName});
        return rows;
    }
    std::string importFile(const std::string& name, const std::string& bytes) {
        std::string path = dir.file(name);
        writeFileBytes(path, bytes);
        return path;
    }
    std::string gbk(const std::string& utf8) { return *utf8ToGb18030(utf8); }
    void import(const std::string& path) {
        dialogs.files.push_back(path);
        dialogs.answers.push_back(Answer::Yes);
        admin.importFile();
    }
};

TEST_F(MappingEditor, AddStoresTrimmedFieldsAndReloads) {
    admin.onShown();
    EXPECT_EQ(admin.statusText(), " 共 0 项");
    add(" 连衣裙 ", " 女 ", " 连衣裙 ");
    add("T恤", "", "");

    EXPECT_EQ(dialogCaptions, (std::vector<std::string>{"添加项", "添加项"}));
    EXPECT_EQ(table(), (std::vector<Row>{{"连衣裙", "女", "连衣裙"}, {"T恤", "", ""}}));
    EXPECT_EQ(admin.statusText(), " 共 2 项");
    EXPECT_EQ(listed(), table());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MappingEditor, EmptyCategoryKeepsTheDialogOpen) {
    inDialog.push_back([](MappingEntryLogic& d) {
        d.category = "   ";
        d.taobaoName = "x";
        d.focus = MappingEntryField::TaobaoName;
        d.confirm();
        EXPECT_EQ(d.modalResult, ModalResult::None);
        EXPECT_EQ(d.focus, MappingEntryField::Category);
    });
    admin.addEntry();
    EXPECT_EQ(dialogs.last().text, "请输入阿里巴巴产品类别名.");
    EXPECT_EQ(dialogs.last().icon, Icon::Warning);
    EXPECT_TRUE(table().empty());
}

TEST_F(MappingEditor, DuplicateTestComparesTheJoinedKey) {
    struct Case {
        Row existing;
        Row typed;
        bool clash;
    };
    const std::vector<Case> cases = {
        {{"ab", "", "t1"}, {"a", "b", "t2"}, true},
        {{"a", "b", "t1"}, {"ab", "", "t2"}, true},
        {{"ab", "c", "t1"}, {"a", "bc", "t2"}, true},
        {{"a", "b", "t1"}, {"a", "c", "t2"}, false},
        {{"Levi's", "男", "t1"}, {"Levi's", "男", "t2"}, true},
        {{"Levi's", "男", "t1"}, {"Levis", "男", "t2"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed[0] + "+" + c.typed[1]);
        db->exec("delete from TB_Mapping");
        dialogs.clear();
        add(c.existing[0], c.existing[1], c.existing[2]);
        add(c.typed[0], c.typed[1], c.typed[2]);
        if (c.clash) {
            EXPECT_EQ(dialogs.last().text,
                      "值:\"" + c.typed[0] + c.typed[1] + "\" 已存在,请重新输入.");
            EXPECT_EQ(dialogs.last().icon, Icon::Warning);
            EXPECT_EQ(table(), (std::vector<Row>{c.existing}));
        } else {
            EXPECT_TRUE(dialogs.shown.empty());
            EXPECT_EQ(table().size(), 2u);
        }
    }
}

TEST_F(MappingEditor, ModifyFillsTheDialogAndLeavesTheRowItselfOutOfTheTest) {
    add("Levi's", "男", "牛仔裤");
    add("衬衫", "", "衬衫");
    admin.selectRow(0);

    // Confirm without change.
    inDialog.push_back([](MappingEntryLogic& d) {
        EXPECT_EQ(d.category, "Levi's");
        EXPECT_EQ(d.gender, "男");
        EXPECT_EQ(d.taobaoName, "牛仔裤");
        EXPECT_NE(d.rowId, 0);
        d.confirm();
    });
    admin.modifyEntry();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(dialogCaptions.back(), "修改项");

    // Editing into the other row's key clashes; then a real change is stored in place.
    admin.selectRow(0);
    inDialog.push_back([](MappingEntryLogic& d) {
        d.category = "衬";
        d.gender = "衫";
        d.confirm();
        EXPECT_EQ(d.modalResult, ModalResult::None);
        d.category = "Lee's";
        d.confirm();
    });
    admin.modifyEntry();
    EXPECT_EQ(dialogs.messageTexts(), (std::vector<std::string>{"值:\"衬衫\" 已存在,请重新输入."}));
    EXPECT_EQ(table(), (std::vector<Row>{{"Lee's", "衫", "牛仔裤"}, {"衬衫", "", "衬衫"}}));
}

TEST_F(MappingEditor, CancelChangesNothing) {
    add("a", "", "x");
    admin.selectRow(0);
    inDialog.push_back([](MappingEntryLogic& d) {
        d.category = "changed";
        d.cancel();
    });
    admin.modifyEntry();
    EXPECT_EQ(table(), (std::vector<Row>{{"a", "", "x"}}));
}

TEST_F(MappingEditor, ModifyAndDeleteNeedASelectedRow) {
    add("a", "", "x");
    int focusRequests = 0;
    Connection counting = admin.focusListRequested.connect([&] { ++focusRequests; });

    admin.modifyEntry();
    admin.deleteEntries();
    // A current row that is no longer selected counts as none.
    admin.setSelection({}, 0);
    admin.deleteEntries();
    EXPECT_EQ(
        dialogs.messageTexts(),
        (std::vector<std::string>{"请选择要修改的项.", "请选择要删除的项", "请选择要删除的项"}));
    EXPECT_EQ(dialogs.last().icon, Icon::Warning);
    EXPECT_EQ(focusRequests, 2);
    EXPECT_EQ(dialogCaptions.size(), 1u);
}

TEST_F(MappingEditor, DeleteOneOrSeveral) {
    for (std::string c : {"甲", "乙", "丙", "丁"})
        add(c, "", "t");

    admin.selectRow(1);
    admin.deleteEntries(); // answered No
    EXPECT_EQ(dialogs.last().text, "是否要删除: 乙");
    EXPECT_EQ(dialogs.last().buttons, Buttons::YesNo);
    EXPECT_EQ(table().size(), 4u);

    admin.setSelection({0, 2, 3}, 2);
    dialogs.answers.push_back(Answer::Yes);
    admin.deleteEntries();
    EXPECT_EQ(dialogs.last().text, "是否要删除选中的 3 个项?");
    EXPECT_EQ(table(), (std::vector<Row>{{"乙", "", "t"}}));
    EXPECT_EQ(admin.statusText(), " 共 1 项");
    EXPECT_EQ(admin.selectedCount(), 0);
}

TEST_F(MappingEditor, SelectAllThenDeleteManyRows) {
    {
        Transaction t(*db);
        for (int i = 0; i < 1200; ++i)
            db->exec("insert into TB_Mapping(FromValue01) select ?", {"c" + std::to_string(i)});
        t.commit();
    }
    admin.onShown();
    admin.selectAll();
    EXPECT_EQ(admin.selectedCount(), 1200);
    dialogs.answers.push_back(Answer::Yes);
    admin.deleteEntries();
    EXPECT_EQ(dialogs.last().text, "是否要删除选中的 1200 个项?");
    EXPECT_TRUE(table().empty());
}

TEST_F(MappingEditor, ImportReadsGbkWithTitleAndKeepsBlanks) {
    add("连衣裙", "女", "旧");
    std::vector<std::string> captions;
    Connection watch = admin.panelChanged.connect([&] {
        if (admin.panelVisible())
            captions.push_back(admin.panelCaption());
    });
    std::string path = importFile(
        "map.csv", gbk("阿里巴巴产品类别名,阿里巴巴适用性别,对应淘宝类目名称\r\n"
                       " 连衣裙 , 女 ,连衣裙\r\n\r\nLevi's,,牛仔裤\n  \r毛衣,男,毛针织衫\r\n"));
    import(path);

    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[0].kind, Shown::Kind::OpenFile);
    EXPECT_EQ(dialogs.shown[0].title,
              "导入格式(带标题):阿里巴巴产品类别名,阿里巴巴适用性别,对应淘宝类目名称");
    EXPECT_EQ(dialogs.shown[0].file.filter, "*.csv(csv格式)|*.csv;*.txt");
    EXPECT_EQ(dialogs.shown[0].file.defaultExtension, "csv");
    EXPECT_EQ(dialogs.shown[1].text, "请确认是否要从文件导入数据?");
    EXPECT_EQ(dialogs.last().text, "导入成功,请确认. 共 2 项,另有 1 项已存在,未导入");
    EXPECT_EQ(dialogs.last().icon, Icon::Information);
    EXPECT_EQ(captions,
              (std::vector<std::string>{"正在加载导入文件...", "正在从文件导入...(1/5)",
                                        "正在从文件导入...(3/5)", "正在从文件导入...(5/5)"}));
    EXPECT_FALSE(admin.panelVisible());

    // Stored with the blanks; a line whose trimmed key a row has is skipped.
    EXPECT_EQ(table(),
              (std::vector<Row>{
                  {"连衣裙", "女", "旧"}, {"Levi's", "", "牛仔裤"}, {"毛衣", "男", "毛针织衫"}}));
    EXPECT_EQ(admin.statusText(), " 共 3 项");

    // Importing the same file again adds nothing.
    dialogs.clear();
    import(path);
    EXPECT_EQ(dialogs.last().text, "导入成功,请确认. 共 0 项,另有 3 项已存在,未导入");
    EXPECT_EQ(table().size(), 3u);

    // The dialog's duplicate test finds the imported apostrophe again.
    add("Levi's", "", "x");
    EXPECT_EQ(dialogs.last().text, "值:\"Levi's\" 已存在,请重新输入.");
}

TEST_F(MappingEditor, ImportOfTitleOnlyOrEmptyFile) {
    for (std::string bytes : {gbk("类别,性别,类目\r\n"), gbk("类别,性别,类目"), std::string()}) {
        import(importFile("t.csv", bytes));
        EXPECT_EQ(dialogs.last().text, "导入成功,请确认. 共 0 项");
    }
    EXPECT_TRUE(table().empty());
}

TEST_F(MappingEditor, ImportAcceptsUtf8WithByteOrderMark) {
    import(importFile("u.csv", "\xEF\xBB\xBF标题\n裙子,女,连衣裙\n"));
    EXPECT_EQ(dialogs.last().text, "导入成功,请确认. 共 1 项");
    EXPECT_EQ(table(), (std::vector<Row>{{"裙子", "女", "连衣裙"}}));
}

// UTF-8 without a byte-order mark whose bytes also read as GBK ("标题" and "裤子" are valid GBK
// bytes for other characters): the whole file decides, so it is not stored as garbage.
TEST_F(MappingEditor, ImportTakesUtf8WithoutByteOrderMark) {
    ASSERT_TRUE(gb18030ToUtf8(std::string("标题\n裤子,男装,休闲\n")).has_value());
    import(importFile("u.csv", "标题\n裤子,男装,休闲\n"));
    EXPECT_EQ(dialogs.last().text, "导入成功,请确认. 共 1 项");
    EXPECT_EQ(table(), (std::vector<Row>{{"裤子", "男装", "休闲"}}));
    // GBK still reads as GBK.
    import(importFile("g.csv", gbk("标题\n毛衣,女,毛针织衫\n")));
    EXPECT_EQ(table().back(), (Row{"毛衣", "女", "毛针织衫"}));
}

TEST_F(MappingEditor, WrongFieldCountStopsTheImportAfterTheLinesBefore) {
    for (const std::string bad : {"两个,字段", "四,个,字段,啊"}) {
        SCOPED_TRACE(bad);
        db->exec("delete from TB_Mapping");
        import(importFile("bad.csv", gbk("标题\r\na,b,c\r\nd,e,f\r\n" + bad + "\r\ng,h,i\r\n")));
        const std::string prefix = "导入失败请检查csv文件内容是否正确.\r\n其中 2 项已被导入.ERROR:";
        EXPECT_EQ(dialogs.last().text.substr(0, prefix.size()), prefix);
        EXPECT_GT(dialogs.last().text.size(), prefix.size());
        EXPECT_EQ(dialogs.last().icon, Icon::Warning);
        EXPECT_EQ(table(), (std::vector<Row>{{"a", "b", "c"}, {"d", "e", "f"}}));
        EXPECT_EQ(admin.rows().size(), 2u);
        EXPECT_FALSE(admin.panelVisible());
    }
}

TEST_F(MappingEditor, ImportFailuresAndRefusals) {
    // No file chosen: nothing asked.
    admin.importFile();
    EXPECT_EQ(dialogs.shown.size(), 1u);
    // Question answered No.
    dialogs.files.push_back(importFile("n.csv", "t\na,b,c\n"));
    admin.importFile();
    EXPECT_EQ(dialogs.last().text, "请确认是否要从文件导入数据?");
    EXPECT_TRUE(table().empty());
    // A file that cannot be read, and one that is not GBK text.
    for (std::string path : {dir.file("missing.csv"), importFile("bad.csv", "t\n\x81\x20,b,c\n")}) {
        import(path);
        const std::string prefix = "导入失败请检查csv文件内容是否正确.\r\n其中 0 项已被导入.ERROR:";
        EXPECT_EQ(dialogs.last().text.substr(0, prefix.size()), prefix);
    }
    EXPECT_TRUE(table().empty());
}

} // namespace
