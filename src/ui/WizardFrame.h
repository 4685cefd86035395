#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

// The frame the program's step-by-step dialogs share: a picture panel on the left with the wizard's
// caption, the pages on the right (one shown at a time, without tabs), and the buttons "&Help",
// "< &Back", "&Next >", "&Finish" (in the place of "&Next >", hidden at first) and "&Close" (rejects the
// dialog, as Escape does). Enter presses the default button, "&Next >" at first. "&Help" opens the
// wizard's help topic and is disabled while it has none. What the other buttons do and when they are
// enabled is the wizard's business.
class TWizardFrame : public QDialog {
public:
    TWizardFrame(const QString& panelCaption, QWidget* parent);

    QPushButton* CloseButton() const { return close_; }
    QPushButton* HelpButton() const { return help_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* FinishButton() const { return finish_; }
    int CurrentPage() const;
    QWidget* Page(int index) const;
    QString HelpTopic() const { return helpTopic_; }

    // Opens a help topic, a page below the shipped help with an optional "#section" ("/files/menus.html
    // #tools"); by default in the desktop's browser. Tests replace it.
    static std::function<void(const QString& topic)> OpenHelpTopic;

protected:
    // Appends a page named objectName with a bold heading (named headingName) at its top; the
    // contents go into the returned layout.
    QVBoxLayout* AddPage(const QString& objectName, const QString& headingName, const QString& heading,
                         QLabel** headingLabel = nullptr);
    // A wrapping label named objectName, for the texts of the pages.
    static QLabel* NewLabel(const QString& objectName, const QString& text);
    void ShowPage(int index);
    // Which button Enter presses (it keeps the bold frame of the default).
    void SetDefaultButton(QPushButton* button);
    // What "&Help" opens; a topic whose page is not shipped leaves it disabled.
    void SetHelpTopic(const QString& topic);

private:
    QString helpTopic_;
    QStackedWidget* pages_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* finish_ = nullptr;
};

// The single-byte code pages the predecessor's files and settings exports may be written in, for the
// choices of the wizards: a caption and the name the text decoders know. Only those this system can
// decode are listed; Windows-1252 (Western European) comes first.
struct TCodePageChoice {
    QString Caption;
    QString Name;
};
std::vector<TCodePageChoice> LegacyCodePageChoices();
// Fills combo with the choices (the name as item data), selecting the one named select.
void FillCodePageCombo(QComboBox* combo, const QString& select);
