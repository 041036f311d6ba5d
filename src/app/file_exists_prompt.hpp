#pragma once

#include "ui/dialogs.hpp"

#include <array>

namespace lw {

// The file-exists dialog: a modal box titled "提示" with a picture, a word-wrapped
// label and four buttons. The download run shows it through Dialogs::fileExists; this
// is what its view shows. Closing it by the title bar counts as Cancel.
struct FileExistsPrompt {
    static constexpr const char* kCaption = "提示";
    static constexpr const char* kDefaultLabel = "文件已存在,请选择要做的操作？";

    struct Button {
        const char* objectName;
        const char* caption;
        const char* hint; // empty: none
        FileExistsChoice result;
    };
    static constexpr std::array<Button, 4> kButtons = {{
        {"_Append", "追加(&A)", "将追加写入在此文件后面", FileExistsChoice::Append},
        {"_Overwrite", "覆盖(D)", "将覆盖写入此文件", FileExistsChoice::Overwrite},
        {"_NewFile", "新文件(&N)", "新建一个其他名称的文件", FileExistsChoice::NewFile},
        {"_CancelBtn", "取消(&C)", "", FileExistsChoice::Cancel},
    }};
};

} // namespace lw
