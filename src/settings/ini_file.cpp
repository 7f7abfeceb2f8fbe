#include "settings/ini_file.h"

#include "imaging/status.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <limits>

namespace mw {

namespace {

// Names and values are decoded as UTF-8 when the line is valid UTF-8 and as Latin-1 otherwise,
// so files written by older tools in an 8-bit code page still match their plain-ASCII names.
QString decodeLine(const QByteArray& raw)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (utf8.hasError())
        return QString::fromLatin1(raw);
    return text;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The profile functions hand back a value without surrounding blanks and without one pair of
// enclosing quotes.
QString unquote(QString v)
{
    v = v.trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

} // namespace

bool IniFile::load(const QString& path)
{
    m_path = path;
    m_lines.clear();
    m_eol = "\n";
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    const qsizetype firstLf = bytes.indexOf('\n');
    if (firstLf > 0 && bytes.at(firstLf - 1) == '\r')
        m_eol = "\r\n";

    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        QByteArray raw = bytes.mid(start, end - start);
        if (raw.endsWith('\r'))
            raw.chop(1);
        start = next;

        Line line;
        line.raw = raw;
        const QString text = decodeLine(raw).trimmed();
        if (text.isEmpty()) {
            line.kind = Line::Blank;
        } else if (text.startsWith(u';') || text.startsWith(u'#')) {
            line.kind = Line::Comment;
        } else if (text.startsWith(u'[')) {
            const qsizetype close = text.indexOf(u']');
            line.kind = Line::Section;
            line.name = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
        } else {
            const qsizetype eq = text.indexOf(u'=');
            if (eq > 0) {
                line.kind = Line::Entry;
                line.name = text.left(eq).trimmed();
                line.value = unquote(text.mid(eq + 1));
            } else {
                line.kind = Line::Other;
            }
        }
        m_lines.push_back(std::move(line));
    }
    return true;
}

QByteArray IniFile::toBytes() const
{
    QByteArray out;
    for (const Line& line : m_lines) {
        out += line.raw;
        out += m_eol;
    }
    return out;
}

void IniFile::save(const QString& path) const
{
    const QString target = path.isEmpty() ? m_path : path;
    const QByteArray bytes = toBytes();
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw FileError("Unable to write to " + target.toStdString());
}

int IniFile::findSection(const QString& section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Line::Section && sameName(m_lines[i].name, section))
            return int(i);
    return -1;
}

std::pair<int, int> IniFile::sectionBody(const QString& section) const
{
    const int header = findSection(section);
    if (header < 0)
        return {-1, -1};
    int end = header + 1;
    while (end < int(m_lines.size()) && m_lines[size_t(end)].kind != Line::Section)
        ++end;
    return {header + 1, end};
}

int IniFile::findKey(const QString& section, const QString& key) const
{
    const auto [begin, end] = sectionBody(section);
    for (int i = begin; i >= 0 && i < end; ++i)
        if (m_lines[size_t(i)].kind == Line::Entry && sameName(m_lines[size_t(i)].name, key))
            return i;
    return -1;
}

bool IniFile::hasSection(const QString& section) const
{
    return findSection(section) >= 0;
}

bool IniFile::hasKey(const QString& section, const QString& key) const
{
    return findKey(section, key) >= 0;
}

QStringList IniFile::sections() const
{
    QStringList out;
    for (const Line& line : m_lines)
        if (line.kind == Line::Section && !out.contains(line.name, Qt::CaseInsensitive))
            out << line.name;
    return out;
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList out;
    const auto [begin, end] = sectionBody(section);
    for (int i = begin; i >= 0 && i < end; ++i) {
        const Line& line = m_lines[size_t(i)];
        if (line.kind == Line::Entry && !out.contains(line.name, Qt::CaseInsensitive))
            out << line.name;
    }
    return out;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    const int i = findKey(section, key);
    if (i < 0)
        return std::nullopt;
    return m_lines[size_t(i)].value;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    return value(section, key).value_or(def);
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const
{
    const auto text = value(section, key);
    if (!text)
        return def;
    return parseInteger(*text).value_or(def);
}

std::optional<int> IniFile::parseInteger(const QString& input)
{
    const auto digitValue = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return 99;
    };
    const QString text = input.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i].unicode());
        if (digit < 0 || digit >= base)
            return std::nullopt;
        magnitude = magnitude * uint64_t(base) + uint64_t(digit);
        if (magnitude > 0xFFFFFFFFull)
            return std::nullopt;
    }
    int64_t value;
    if (base == 16) {
        // Hexadecimal spells the 32-bit pattern: $FFFFFFFF is -1.
        value = int64_t(int32_t(uint32_t(magnitude)));
    } else {
        value = int64_t(magnitude);
        if (!negative && value > std::numeric_limits<int32_t>::max())
            return std::nullopt;
        if (negative && value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    return int(int32_t(uint32_t(uint64_t(value))));
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Line entry;
    entry.kind = Line::Entry;
    entry.value = value;

    const int existing = findKey(section, key);
    if (existing >= 0) {
        Line& line = m_lines[size_t(existing)];
        entry.name = line.name;  // keep the spelling the file already uses
        entry.raw = (entry.name + u'=' + value).toUtf8();
        line = std::move(entry);
        return;
    }
    entry.name = key;
    entry.raw = (key + u'=' + value).toUtf8();

    auto [begin, end] = sectionBody(section);
    if (begin < 0) {
        if (!m_lines.empty() && m_lines.back().kind != Line::Blank)
            m_lines.push_back(Line{Line::Blank, {}, {}, {}});
        Line header;
        header.kind = Line::Section;
        header.name = section;
        header.raw = (u'[' + section + u']').toUtf8();
        m_lines.push_back(std::move(header));
        m_lines.push_back(std::move(entry));
        return;
    }
    // After the section's last non-blank line, so the blank line before the next section stays.
    int at = end;
    while (at > begin && m_lines[size_t(at - 1)].kind == Line::Blank)
        --at;
    m_lines.insert(m_lines.begin() + at, std::move(entry));
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::eraseKey(const QString& section, const QString& key)
{
    const int i = findKey(section, key);
    if (i >= 0)
        m_lines.erase(m_lines.begin() + i);
}

void IniFile::eraseSection(const QString& section)
{
    const auto [begin, end] = sectionBody(section);
    if (begin < 0)
        return;
    m_lines.erase(m_lines.begin() + (begin - 1), m_lines.begin() + end);
}

} // namespace mw
