#pragma once
// A small INI file reader and writer with the semantics of the Windows profile functions, so
// that settings files written on either platform read the same:
//  * section and key names are compared without regard to case;
//  * integers read as decimal, or hexadecimal with a "0x", "0X" or "$" prefix, with an
//    optional leading sign; a missing key or an unreadable value gives the caller's default;
//  * writing keeps every other section, key, comment and blank line as it was and replaces
//    the file atomically (temporary file renamed over the old one).
// Text is kept as 8-bit bytes (Latin-1 in, Latin-1 out), so nothing is lost on a round trip.
#include <QString>
#include <QStringList>
#include <QByteArray>
#include <optional>
#include <vector>

namespace mw {

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(const QString& path) { load(path); }

    // Reads the file. A missing file gives an empty document and returns false; so does a
    // file that cannot be read.
    bool load(const QString& path);
    // Replaces the file at `path` (the loaded one when empty) atomically. Throws
    // mw::FileError ("Unable to write to <path>") when it cannot be written.
    void save(const QString& path = {}) const;

    const QString& path() const { return m_path; }

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    int readInteger(const QString& section, const QString& key, int def) const;

    // Creates the section and key when missing; a new key goes after the section's last key.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void eraseKey(const QString& section, const QString& key);
    void eraseSection(const QString& section);

    // The text the document would be saved as.
    QByteArray toBytes() const;

    // Profile-function integer parsing: decimal or 0x/0X/$ hex, optional sign, surrounding
    // blanks ignored; nullopt when the text is not a whole number (or does not fit 32 bits).
    static std::optional<int> parseInteger(const QString& text);

private:
    struct Line {
        enum Kind { Blank, Comment, Section, Entry, Other } kind = Other;
        QByteArray raw;   // the line as read, without its line break
        QString name;     // section name or key (trimmed)
        QString value;    // entry value (trimmed)
    };
    // Index of the section header line, or -1.
    int findSection(const QString& section) const;
    // Line index range [begin, end) of the section's body; begin = end = -1 when missing.
    std::pair<int, int> sectionBody(const QString& section) const;
    int findKey(const QString& section, const QString& key) const;

    QString m_path;
    std::vector<Line> m_lines;
    QByteArray m_eol = "\r\n";
};

} // namespace mw
