#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Dial-up entries are NetworkManager connection profiles. The service is reached through the nmcli
// program, started with an argument list (never through a shell, so a profile name is always one
// literal argument). Where nmcli is not installed there are no entries, nothing is active and dialling
// fails.
class TDialUpService {
public:
    virtual ~TDialUpService() = default;
    // The names of the connection profiles, in the order nmcli lists them.
    virtual QStringList Entries() = 0;
    // Whether a connection of the profile is active.
    virtual bool IsActive(const QString& entry) = 0;
    // Brings the profile up and waits for the outcome; stopRequested (when given) is asked now and then
    // and ends the wait (the attempt is then abandoned). True when nmcli reported success.
    virtual bool Dial(const QString& entry, const std::function<bool()>& stopRequested) = 0;
};

class TNmcliDialUp : public TDialUpService {
public:
    // program: the nmcli to run, a bare name looked up on PATH or a path (tests give a fake one).
    explicit TNmcliDialUp(QString program = QStringLiteral("nmcli"));

    QStringList Entries() override;
    bool IsActive(const QString& entry) override;
    bool Dial(const QString& entry, const std::function<bool()>& stopRequested) override;

    // How long a listing may take before it is given up, and how long a dial may take at most.
    int ListTimeoutMs = 30000;
    int DialTimeoutMs = 180000;

private:
    // Runs the program with args; false when it cannot be found or started, did not end in time, was
    // stopped or ended with a non-zero exit code. Standard output goes to output.
    bool Run(const QStringList& args, int timeoutMs, const std::function<bool()>& stopRequested,
             QByteArray* output);
    QStringList ListNames(bool activeOnly);

    QString program_;
};

// Splits the terse output of "nmcli -t -f NAME ..." into names: one per line, with the escapes of the
// terse mode ("\:" and "\\") undone. Empty lines are dropped.
QStringList ParseNmcliNames(const QByteArray& output);

// The service the runs use (nmcli from PATH).
TDialUpService& DefaultDialUpService();
