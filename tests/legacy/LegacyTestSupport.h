#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtEndian>
#include <vector>

#include "legacy/LegacyText.h"
#include "legacy/Ombrisave1x.h"

// Writes projects files of the predecessor's version 1.x, the way it laid them out, for the tests.
class TProjectsFileWriter {
public:
    TProjectsFileWriter() { data_ = kOmbrisave1xSignature; }

    TProjectsFileWriter& Int(qint32 value) {
        char bytes[4];
        qToLittleEndian<qint32>(value, bytes);
        data_.append(bytes, 4);
        return *this;
    }
    TProjectsFileWriter& Bytes(const QByteArray& bytes) {
        data_ += bytes;
        return *this;
    }
    // A string in the old code page (Windows-1252 for Latin-1 characters and the euro sign).
    TProjectsFileWriter& Str(const QString& text) { return Raw(Cp1252(text)); }
    TProjectsFileWriter& Raw(const QByteArray& bytes) {
        Int(static_cast<qint32>(bytes.size()));
        data_ += bytes;
        return *this;
    }
    TProjectsFileWriter& Ini(const QStringList& lines) { return Str(Legacy::MakeCommaText(lines)); }
    TProjectsFileWriter& Byte(quint8 value) {
        data_ += static_cast<char>(value);
        return *this;
    }

    QByteArray Data() const { return data_; }

    static QByteArray Cp1252(const QString& text) {
        QByteArray out;
        for (const QChar c : text)
            out += c.unicode() == 0x20AC ? '\x80' : static_cast<char>(c.unicode() & 0xFF);
        return out;
    }

private:
    QByteArray data_;
};

// One project record with every field; the defaults make a plain simple-copy project.
struct TProjectSpec {
    QString name = QStringLiteral("Documents");
    QString id = QStringLiteral("ABC123");
    QString type = QStringLiteral("btSimpleCopy");
    QString source = QStringLiteral("C:\\Data");
    quint8 subfolders = 1;
    QString destination = QStringLiteral("D:\\Save");
    std::vector<QStringList> filters;
    QString scheduleKind = QStringLiteral("shManual");
    std::vector<QStringList> schedules;
    QStringList additional;

    void WriteTo(TProjectsFileWriter& w) const {
        w.Str(name).Str(id).Str(type).Str(source).Byte(subfolders).Str(destination);
        w.Int(static_cast<qint32>(filters.size()));
        for (const QStringList& f : filters)
            w.Ini(f);
        w.Str(scheduleKind);
        w.Int(static_cast<qint32>(schedules.size()));
        for (const QStringList& s : schedules)
            w.Ini(s);
        w.Ini(additional);
        w.Str(QStringLiteral("ignored")).Int(0);
    }
};

inline QByteArray ProjectsFile(const std::vector<TProjectSpec>& projects,
                               const QString& trailing = QString()) {
    TProjectsFileWriter w;
    w.Ini({QStringLiteral("[Settings]"), QStringLiteral("Version=1.2")});
    w.Int(static_cast<qint32>(projects.size()));
    for (const TProjectSpec& p : projects)
        p.WriteTo(w);
    w.Bytes(TProjectsFileWriter::Cp1252(trailing));
    return w.Data();
}
