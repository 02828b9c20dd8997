#pragma once
// The program names serial ports "COM1" .. "COM16". A small text file in the program directory
// says which device each name stands for, one entry a line:
//
//     # comment
//     COM3 = /dev/ttyUSB0
//
// A name without an entry stands for /dev/ttyS0 .. /dev/ttyS15 (COM1 .. COM16).
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

namespace vek {

class ComNameMap {
public:
    static constexpr const char *kFileName = "ComPorts.txt";

    // Takes the entries of a map file's text; lines that are not "COMn = /path" are skipped.
    void Parse(const QByteArray &text);
    // Reads the file; a missing or unreadable file adds nothing.
    void LoadFile(const QString &path);
    // Adds or replaces one entry; returns false when the name or the path is not acceptable.
    bool Set(const QString &comName, const QString &devicePath);
    void Clear() { m_entries.clear(); }
    bool Contains(const QString &comName) const;
    int Count() const { return int(m_entries.size()); }

    // The device of a COM name: its entry, else the default for COM1..COM16, else empty.
    QString DevicePath(const QString &comName) const;

    // "com3" -> "COM3"; empty for anything that is not "COM" followed by a number 1..255.
    static QString CanonicalName(const QString &comName);
    // /dev/ttyS0 .. /dev/ttyS15 for COM1 .. COM16; empty otherwise.
    static QString DefaultDevicePath(const QString &comName);
    // The text of a map file with the given entries put in: lines of other names are kept as
    // they were, lines of these names are replaced.
    static QByteArray WithEntries(const QByteArray &oldText,
                                  const QList<QPair<QString, QString>> &entries);

private:
    QMap<QString, QString> m_entries;
};

} // namespace vek
