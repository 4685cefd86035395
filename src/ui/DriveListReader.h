#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <thread>

class QObject;

// One row of the drive list of the task dialog's media page.
struct TSmartDetectDrive {
    QString Letter;  // the mount point
    QString Label;
    QString TypeName;  // "Removable", "Fixed", ...
    QString Serial;    // 8 upper-case hexadecimal digits, or empty
    qint64 Size = -1;  // bytes; -1 when unknown
    bool Ready = false;
};

// The drives the media page lists: the mounted file systems that hold user data (block devices, optical
// and network drives), without the kernel's own file systems, RAM disks and read-only program images.
QStringList SmartDetectDriveList();
// The row of one mount point, read from the mount table, statvfs and the volume's label and UUID.
TSmartDetectDrive ReadSmartDetectDrive(const QString& mountPoint);

// Reads the drives one after another on a thread of its own and hands every row to the thread of
// context before it reads the next drive; after the last row finished runs there.
//
// The reader never touches context after Stop has returned: the rows are posted under the same lock
// that Stop takes, and a posted row whose reader was stopped is dropped when it arrives. Stop waits a
// moment for the thread; a thread stuck in a drive that does not answer (a dead network mount) is left
// to end on its own, since it holds only what it shares with no one else.
class TDriveListReader {
public:
    using TListFunction = std::function<QStringList()>;
    using TReadFunction = std::function<TSmartDetectDrive(const QString& mountPoint)>;
    using TRowFunction = std::function<void(const TSmartDetectDrive&)>;

    static constexpr int kStopWaitMs = 2000;

    // list and read run on the reader's thread; row and finished on context's thread.
    TDriveListReader(QObject* context, TListFunction list, TReadFunction read, TRowFunction row,
                     std::function<void()> finished = {});
    ~TDriveListReader();
    TDriveListReader(const TDriveListReader&) = delete;
    TDriveListReader& operator=(const TDriveListReader&) = delete;

    // Asks the thread to end and waits for it (at most kStopWaitMs); no row is handed over after this.
    void Stop();
    // The thread has read every drive (or was stopped) and ended its work.
    bool Finished() const;

private:
    struct TState;
    std::shared_ptr<TState> state_;
    std::thread thread_;
};
