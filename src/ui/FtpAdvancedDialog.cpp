#include "ui/FtpAdvancedDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/TranslateForm.h"

namespace {

QSpinBox* NumberField(const char* name, int min, int max) {
    auto* spin = new QSpinBox;
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(min, max);
    spin->setMaximumWidth(110);
    return spin;
}

QLabel* NamedLabel(const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

}  // namespace

TTaskFTPAdvForm::TTaskFTPAdvForm(const TTaskOptions& options, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TaskFTPAdvForm"));
    setWindowTitle(QStringLiteral("Advanced FTP Settings"));

    auto* proxyBox = new QGroupBox(QStringLiteral("Proxy"));
    proxyBox->setObjectName(QStringLiteral("proxyBox"));
    auto* proxy = new QFormLayout(proxyBox);
    proxyUse_ = new QCheckBox(QStringLiteral("&Use proxy"));
    proxyUse_->setObjectName(QStringLiteral("ftpProxyUse"));
    proxyAddress_ = new QLineEdit;
    proxyAddress_->setObjectName(QStringLiteral("ftpProxyAddress"));
    proxyAddress_->setMinimumWidth(220);
    // A port number has five digits; the counts of the dialog stop at 32767.
    proxyPort_ = NumberField("ftpProxyPort", 0, 65535);
    proxyAuthUse_ = new QCheckBox(QStringLiteral("Au&thorize on proxy"));
    proxyAuthUse_->setObjectName(QStringLiteral("ftpProxyAuthUse"));
    proxyLogin_ = new QLineEdit;
    proxyLogin_->setObjectName(QStringLiteral("ftpProxyLogin"));
    proxyPassword_ = new QLineEdit;
    proxyPassword_->setObjectName(QStringLiteral("ftpProxyPassword"));
    proxyPassword_->setEchoMode(QLineEdit::Password);
    proxy->addRow(proxyUse_);
    proxy->addRow(NamedLabel("lblProxyAddress", QStringLiteral("&Address:"), proxyAddress_), proxyAddress_);
    proxy->addRow(NamedLabel("lblProxyPort", QStringLiteral("&Port:"), proxyPort_), proxyPort_);
    proxy->addRow(proxyAuthUse_);
    proxy->addRow(NamedLabel("lblProxyLogin", QStringLiteral("&Login:"), proxyLogin_), proxyLogin_);
    proxy->addRow(NamedLabel("lblProxyPassword", QStringLiteral("Pass&word:"), proxyPassword_),
                  proxyPassword_);

    auto* connectionBox = new QGroupBox(QStringLiteral("Connection"));
    connectionBox->setObjectName(QStringLiteral("connectionBox"));
    auto* connection = new QFormLayout(connectionBox);
    reconnectRetries_ = NumberField("ftpReconnectRetries", 0, 32767);
    pauseBeforeRetry_ = NumberField("ftpPauseBeforeRetry", 0, 32767);
    // No time-out at all would let a silent server hold a run for ever.
    timeOut_ = NumberField("ftpTimeOut", 1, 32767);
    connection->addRow(NamedLabel("lblReconnectRetries", QStringLiteral("Number of FTP &reconnect retries:"),
                                  reconnectRetries_),
                       reconnectRetries_);
    connection->addRow(
        NamedLabel("lblPauseBeforeRetry", QStringLiteral("Pause &before each retry (s):"), pauseBeforeRetry_),
        pauseBeforeRetry_);
    connection->addRow(NamedLabel("lblTimeOut", QStringLiteral("T&ime out (s):"), timeOut_), timeOut_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(proxyBox);
    layout->addWidget(connectionBox);
    layout->addStretch();
    layout->addWidget(buttons);

    proxyUse_->setChecked(options.DestFTP_ProxyUse);
    proxyAddress_->setText(options.DestFTP_ProxyAddress);
    proxyPort_->setValue(options.DestFTP_ProxyPort);
    proxyAuthUse_->setChecked(options.DestFTP_ProxyAuthUse);
    proxyLogin_->setText(options.DestFTP_ProxyAuthLogin);
    proxyPassword_->setText(options.DestFTP_ProxyAuthPassword);
    reconnectRetries_->setValue(options.DestFTP_ReconnectRetries);
    pauseBeforeRetry_->setValue(options.DestFTP_PauseBeforeRetry);
    timeOut_->setValue(options.DestFTP_TimeOut);
    connect(proxyUse_, &QCheckBox::toggled, this, &TTaskFTPAdvForm::UpdateEnabling);
    connect(proxyAuthUse_, &QCheckBox::toggled, this, &TTaskFTPAdvForm::UpdateEnabling);
    UpdateEnabling();
    TranslateForm(this);
}

void TTaskFTPAdvForm::UpdateEnabling() {
    const bool proxy = proxyUse_->isChecked();
    proxyAddress_->setEnabled(proxy);
    proxyPort_->setEnabled(proxy);
    proxyAuthUse_->setEnabled(proxy);
    const bool login = proxy && proxyAuthUse_->isChecked();
    proxyLogin_->setEnabled(login);
    proxyPassword_->setEnabled(login);
}

void TTaskFTPAdvForm::Apply(TTaskOptions& options) const {
    options.DestFTP_ProxyUse = proxyUse_->isChecked();
    options.DestFTP_ProxyAddress = proxyAddress_->text();
    options.DestFTP_ProxyPort = proxyPort_->value();
    options.DestFTP_ProxyAuthUse = proxyAuthUse_->isChecked();
    options.DestFTP_ProxyAuthLogin = proxyLogin_->text();
    options.DestFTP_ProxyAuthPassword = proxyPassword_->text();
    options.DestFTP_ReconnectRetries = reconnectRetries_->value();
    options.DestFTP_PauseBeforeRetry = pauseBeforeRetry_->value();
    options.DestFTP_TimeOut = timeOut_->value();
}

bool EditFtpAdvanced(QWidget* parent, TTaskOptions& options) {
    TTaskFTPAdvForm form(options, parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    form.Apply(options);
    return true;
}
