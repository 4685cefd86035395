#pragma once

#include <QString>

// Label and serial number of the volume mounted at a mount point. The label is the file-system label;
// the serial is the volume serial for FAT/exFAT/NTFS ("1A2B-3C4D" gives "1A2B3C4D"), otherwise the
// first 8 hexadecimal digits of the UUID, upper-cased.
struct TVolumeInfo {
    QString label;
    QString serial;  // 8 upper-case hexadecimal digits, or empty when the volume has none
};

class TVolumeInfoSource {
public:
    virtual ~TVolumeInfoSource() = default;
    virtual bool Read(const QString& mountPoint, TVolumeInfo& info) = 0;
};

// Reads /proc/self/mountinfo and the /dev/disk/by-label and /dev/disk/by-uuid links.
class TSystemVolumeInfo final : public TVolumeInfoSource {
public:
    bool Read(const QString& mountPoint, TVolumeInfo& info) override;
};

// The serial text of a UUID as described above.
QString SerialFromUuid(const QString& uuid);
