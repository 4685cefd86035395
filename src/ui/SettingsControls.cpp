#include "ui/SettingsControls.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

void ShowAlertChannels(const TAlertSetChannels& set, const TAlertSetControls& controls) {
    for (size_t e = 0; e < set.size(); ++e) {
        const TAlertChannels& a = set[e];
        const TAlertControls& c = controls[e];
        c.dialog->setChecked(a.Dialog);
        c.balloon->setChecked(a.Balloon);
        c.sound->setChecked(a.Sound);
        c.soundFile->setText(a.SoundFile);
        if (c.emailUse) {
            c.email->setText(a.Email);
            c.emailUse->setChecked(a.EmailUse);
        }
        if (c.sendLog)
            c.sendLog->setChecked(a.EmailSendLog);
    }
}

void StoreAlertChannels(const TAlertSetControls& controls, TAlertSetChannels& set) {
    for (size_t e = 0; e < set.size(); ++e) {
        TAlertChannels& a = set[e];
        const TAlertControls& c = controls[e];
        a.Dialog = c.dialog->isChecked();
        a.Balloon = c.balloon->isChecked();
        a.Sound = c.sound->isChecked();
        a.SoundFile = c.soundFile->text();
        if (c.emailUse) {
            a.EmailUse = c.emailUse->isChecked();
            a.Email = c.email->text();
        }
        if (c.sendLog)
            a.EmailSendLog = c.sendLog->isChecked();
    }
}

TEmailSettings TEmailFields::Entered() const {
    TEmailSettings settings;
    settings.SmtpServer = server->text();
    settings.SmtpServerPort = port->value();
    settings.SmtpServerAuthUse = auth->isChecked();
    settings.SmtpServerAuthUser = user->text();
    settings.SmtpServerAuthPassword = password->text();
    settings.To = to->text();
    settings.From = from->text();
    settings.Subject = subject->text();
    return settings;
}

void TEmailFields::Show(const TEmailSettings& settings) const {
    server->setText(settings.SmtpServer);
    port->setValue(settings.SmtpServerPort);
    auth->setChecked(settings.SmtpServerAuthUse);
    user->setText(settings.SmtpServerAuthUser);
    password->setText(settings.SmtpServerAuthPassword);
    to->setText(settings.To);
    from->setText(settings.From);
    subject->setText(settings.Subject);
}
