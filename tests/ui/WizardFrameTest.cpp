#include "ui/WizardFrame.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

#include "UiFixtures.h"
#include "ui/MaintenanceWizard.h"

namespace {

// A frame with one page and a help topic of the test's choice.
class TTopicFrame : public TWizardFrame {
public:
    explicit TTopicFrame(const QString& topic) : TWizardFrame(QStringLiteral("Test"), nullptr) {
        AddPage(QStringLiteral("OnlyPage"), QStringLiteral("OnlyTitle"), QStringLiteral("Only"));
        SetHelpTopic(topic);
    }
};

class TQuietMaintenancePrompts : public TMaintenancePrompts {
public:
    void Error(const QString&, const QString&) override {}
    bool Confirm(const QString&, const QString&) override { return true; }
    QString AskBackupFile(QWidget*, const QString& fileName) override { return fileName; }
    QString AskRestoreFile(QWidget*, const QString& fileName) override { return fileName; }
    void OpenFolder(const QString&) override {}
};

class WizardFrame : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        saved_ = TWizardFrame::OpenHelpTopic;
        TWizardFrame::OpenHelpTopic = [this](const QString& topic) { opened.append(topic); };
    }
    void TearDown() override {
        TWizardFrame::OpenHelpTopic = saved_;
        UiTest::TearDown();
    }
    QStringList opened;

private:
    std::function<void(const QString&)> saved_;
};

TEST_F(WizardFrame, HelpOpensTheWizardsTopicAndIsOffOtherwise) {
    TQuietMaintenancePrompts prompts;
    TMainData data;
    TMaintenanceForm wizard(data, prompts);
    wizard.show();
    ASSERT_TRUE(wizard.HelpButton()->isEnabled());
    QTest::mouseClick(wizard.HelpButton(), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{QStringLiteral("/files/menus.html#tools")});

    // A topic whose page is not shipped, or none at all, leaves nothing to click.
    for (const QString& topic : {QStringLiteral("/files/no-such-page.html"), QString()}) {
        TTopicFrame frame(topic);
        frame.show();
        EXPECT_FALSE(frame.HelpButton()->isEnabled()) << topic.toStdString();
        EXPECT_TRUE(frame.HelpTopic().isEmpty());
        QTest::mouseClick(frame.HelpButton(), Qt::LeftButton);
    }
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(WizardFrame, TheMaintenanceKeyboardStartsAtTheChosenMode) {
    TQuietMaintenancePrompts prompts;
    TMainData data;
    TMaintenanceForm wizard(data, prompts);
    wizard.show();
    auto* backup = wizard.findChild<QRadioButton*>(QStringLiteral("BackupRadioButton"));
    auto* restore = wizard.findChild<QRadioButton*>(QStringLiteral("RestoreRadioButton"));
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(wizard.focusWidget(), backup);
    // Back from the options returns to the mode that was chosen.
    QTest::mouseClick(restore, Qt::LeftButton, {}, QPoint(8, restore->height() / 2));
    ASSERT_TRUE(restore->isChecked());
    wizard.Next();
    EXPECT_EQ(wizard.focusWidget()->objectName(), QStringLiteral("RestoreFileEdit"));
    wizard.Back();
    EXPECT_EQ(wizard.focusWidget(), restore);
}

}  // namespace
