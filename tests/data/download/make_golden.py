# Writes expected_package.txt: the package file the two fixture offers must give, as
# UTF-8 with "@DESC@" where the description folder stands. Built by hand from the file
# format (three header lines, 50 columns, quoted columns in double quotes, CR LF
# between lines, no final line break), not from the program's output.
import hashlib

ENGLISH = ("title cid seller_cids stuff_status location_state location_city item_type price "
           "auction_increment num valid_thru freight_payer post_fee ems_fee express_fee has_invoice "
           "has_warranty approve_status has_showcase list_time description cateProps postage_id "
           "has_discount modified upload_fail_msg picture_status auction_point picture video skuProps "
           "inputPids inputValues outer_id propAlias auto_fill num_id local_cid navigation_type "
           "user_name syncStatus is_lighting_consigment is_xinpin foodparame features "
           "global_stock_type sub_stock_type item_size item_weight sell_promise").split()
CHINESE = ("宝贝名称 宝贝类目 店铺类目 新旧程度 省 城市 出售方式 宝贝价格 加价幅度 宝贝数量 有效期 运费承担 "
           "平邮 EMS 快递 发票 保修 放入仓库 橱窗推荐 开始时间 宝贝描述 宝贝属性 邮费模版ID 会员打折 修改时间 "
           "上传状态 图片状态 返点比例 新图片 视频 销售属性组合 用户输入ID串 用户输入名-值对 商家编码 销售属性别名 "
           "代充类型 数字ID 本地ID 宝贝分类 用户名称 宝贝状态 闪电发货 新品 食品专项 尺码库 库存类型 库存计数 "
           "物流体积 物流重量 退换货承诺").split()
QUOTED = {"title", "seller_cids", "location_state", "location_city", "list_time", "description",
          "cateProps", "modified", "picture", "video", "skuProps", "inputPids", "inputValues",
          "outer_id", "propAlias", "auto_fill", "num_id", "features"}
FIXED = {"seller_cids": "0", "stuff_status": "1", "item_type": "1", "auction_increment": "0",
         "valid_thru": "7", "freight_payer": "2", "post_fee": "10", "ems_fee": "40",
         "express_fee": "10", "has_invoice": "0", "has_warranty": "0", "approve_status": "2",
         "has_showcase": "0", "postage_id": "0", "has_discount": "0", "local_cid": "0",
         "syncStatus": "1", "is_lighting_consigment": "28", "is_xinpin": "220"}
assert len(ENGLISH) == 50 and len(CHINESE) == 50


def md5(address):
    return hashlib.md5(address.encode("gb18030")).hexdigest()


def row(values):
    fields = []
    for name in ENGLISH:
        v = values.get(name, FIXED.get(name, ""))
        fields.append('"' + v + '"' if name in QUOTED else v)
    return "\t".join(fields)


A1 = "http://img.example.com/a1.jpg"
A2 = "http://img.example.com/a2.jpg"
P1 = "http://img.example.com/p1.jpg"
offer_a = {
    "title": '女式T恤 "夏"款', "cid": "50000671", "price": "12.50", "num": "4",
    "description": '<p>纯棉&lt;舒适 "夏"</p><img src="file://@DESC@/x.jpg" alt="""">'
                   '<div style="x" background="file://@DESC@/bg.gif">底</div>'
                   '<img src="file://@DESC@/x.jpg"><img src="HTTP://IMG.EXAMPLE.COM/d/x.jpg">'
                   '<img src="file://@DESC@/y.jpg"><img src="file://@DESC@/y.jpgsize=big">'
                   '<img src="http://img.example.com/d/"><div href="http://shop.example.com/">店铺</div>X</div>',
    "cateProps": "20021:105255;1627207:28326;20509:28314;20509:28315;1627207:28338;20509:28314;20509:28315",
    "picture_status": "1;1;1;1;",
    "picture": md5(A1) + ":1:0:|;" + md5(A2) + ":1:2:|;" + md5(P1) + ":2:0:1627207:28326|;" +
               md5(A1) + ":2:1:1627207:28338|;",
    "skuProps": "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28315;1627207:28326;"
                "12.50:1::20509:28314;1627207:28338;12.50:1::20509:28315;1627207:28338;",
    "inputPids": "20000", "inputValues": "花花公子;型号;A-123", "outer_id": "A-123",
    "propAlias": "1627207:28326:红色;1627207:28338:蓝色", "auto_fill": "1", "num_id": "2001",
    "user_name": "小店", "features": "mysize_tp:-1", "global_stock_type": "1704753246",
    "sub_stock_type": "1", "item_size": "bulk:0.5", "item_weight": "1.2", "sell_promise": "0",
}
offer_b = {
    "title": "围巾", "cid": "0", "price": "8.00", "num": "0", "description": "<p>保暖</p>",
    "picture_status": "1;", "picture": md5(A2) + ":1:0:|;", "auto_fill": "0", "num_id": "2002",
    "global_stock_type": "1704753246", "sub_stock_type": "1", "sell_promise": "1",
}
lines = ["version 1.00" + "\t" * 49, "\t".join(ENGLISH), "\t".join(CHINESE), row(offer_a),
         row(offer_b)]
with open("expected_package.txt", "w", encoding="utf-8", newline="") as f:
    f.write("\r\n".join(lines))
