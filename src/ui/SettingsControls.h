#pragma once

#include <array>

#include "logging/Email.h"
#include "settings/AlertTypes.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The controls of one event of an alert set, as the task dialog, the preferences and the wizards lay
// them out; the File event has no e-mail controls, only Finish has the send-log box.
struct TAlertControls {
    QCheckBox* dialog = nullptr;
    QCheckBox* balloon = nullptr;
    QCheckBox* sound = nullptr;
    QLineEdit* soundFile = nullptr;
    QPushButton* soundBrowse = nullptr;
    QPushButton* soundPlay = nullptr;
    QPushButton* soundStop = nullptr;
    QCheckBox* emailUse = nullptr;
    QLineEdit* email = nullptr;
    QPushButton* emailTest = nullptr;
    QCheckBox* sendLog = nullptr;
};
using TAlertSetControls = std::array<TAlertControls, kAlertEventCount>;
using TAlertSetChannels = std::array<TAlertChannels, kAlertEventCount>;

// Shows one alert set in the controls. The address is set before its box, so that ticking the box does
// not fill in a default address.
void ShowAlertChannels(const TAlertSetChannels& set, const TAlertSetControls& controls);
// Takes the shown values back into the set; only the Finish event carries the send-log flag.
void StoreAlertChannels(const TAlertSetControls& controls, TAlertSetChannels& set);

// The fields of the e-mail sending settings (server, port, authentication, To, From, Subject).
struct TEmailFields {
    QLineEdit* server = nullptr;
    QSpinBox* port = nullptr;
    QCheckBox* auth = nullptr;
    QLineEdit* user = nullptr;
    QLineEdit* password = nullptr;
    QLineEdit* to = nullptr;
    QLineEdit* from = nullptr;
    QLineEdit* subject = nullptr;

    TEmailSettings Entered() const;
    void Show(const TEmailSettings& settings) const;
};
