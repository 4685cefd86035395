#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class TMainWindow;

// The About box: the product name, what the program does, the version with its build number, and two
// links. The program has no web site of its own: its "home page" is the contents page of the shipped
// help, and the support link opens the help's support page.
class TAboutForm : public QDialog {
public:
    static constexpr const char* kHomepageTopic = "/files/contents.html";
    static constexpr const char* kSupportTopic = "/files/support.html";

    // openTopic opens a help topic (the window's help opener).
    explicit TAboutForm(std::function<void(const QString& topic)> openTopic, QWidget* parent = nullptr);

    // The product version and " (Build: n)", n being the part of the version after its third point
    // ("0" when there is none).
    static QString VersionText();

private:
    std::function<void(const QString&)> openTopic_;
};

// Gives the window's "Tarnovex &Homepage" command the help's contents page.
void InstallHomepageCommand(TMainWindow& window);
