#include "app/dialogs.h"

#include <gtest/gtest.h>

#include <ostream>

#include "app/scripted_dialogs.h"

namespace {

struct TChoiceCase {
    const char* Name;
    QString Chosen;  // null: the user cancelled
    bool Confirmed;
    const char* FileName;  // dialog.FileName afterwards
};

std::ostream& operator<<(std::ostream& os, const TChoiceCase& row) { return os << row.Name; }

class ExecuteFileDialog_ : public ::testing::TestWithParam<TChoiceCase> {};

TEST_P(ExecuteFileDialog_, AddsTheDefaultExtensionOnlyToANameWithout) {
    TScriptedDialogs dialogs;
    dialogs.FileAnswers.push_back(GetParam().Chosen);
    TFileDialog dialog{QStringLiteral("*.log"), QStringLiteral("log"), QStringLiteral("*.log")};
    EXPECT_EQ(GetParam().Confirmed, ExecuteFileDialog(dialogs, nullptr, TFileDialogKind::Save, dialog));
    EXPECT_EQ(GetParam().FileName, dialog.FileName.toStdString());
    ASSERT_EQ(1u, dialogs.FileDialogs.size());
    EXPECT_EQ("*.log", dialogs.FileDialogs[0].Dialog.FileName.toStdString());  // shown as it was
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExecuteFileDialog_,
    ::testing::Values(TChoiceCase{"NoExtension", QStringLiteral("/tmp/pomiary"), true, "/tmp/pomiary.log"},
                      TChoiceCase{"OwnExtension", QStringLiteral("/tmp/pomiary.txt"), true, "/tmp/pomiary.txt"},
                      TChoiceCase{"DotInFolderOnly", QStringLiteral("/tmp/a.b/pomiary"), true, "/tmp/a.b/pomiary.log"},
                      TChoiceCase{"Cancelled", QString(), false, "*.log"},
                      TChoiceCase{"EmptyName", QStringLiteral(""), false, "*.log"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
