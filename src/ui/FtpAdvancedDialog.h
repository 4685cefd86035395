#pragma once

#include <QDialog>

#include "model/Task.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

// "Advanced FTP Settings": the proxy of an FTP destination and how the connection is retried. The
// values reach the options only through Apply, which EditFtpAdvanced calls after OK.
class TTaskFTPAdvForm : public QDialog {
    Q_OBJECT
public:
    explicit TTaskFTPAdvForm(const TTaskOptions& options, QWidget* parent = nullptr);
    void Apply(TTaskOptions& options) const;

private:
    void UpdateEnabling();

    QCheckBox* proxyUse_ = nullptr;
    QLineEdit* proxyAddress_ = nullptr;
    QSpinBox* proxyPort_ = nullptr;
    QCheckBox* proxyAuthUse_ = nullptr;
    QLineEdit* proxyLogin_ = nullptr;
    QLineEdit* proxyPassword_ = nullptr;
    QSpinBox* reconnectRetries_ = nullptr;
    QSpinBox* pauseBeforeRetry_ = nullptr;
    QSpinBox* timeOut_ = nullptr;
};

// Shows the dialog modally over parent; on OK the values are written into options and true is returned.
bool EditFtpAdvanced(QWidget* parent, TTaskOptions& options);
