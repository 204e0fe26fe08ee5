#include "inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace vyn {

namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniFile::IniFile(const QString& path)
{
    load(path);
}

QString IniFile::decode(const QByteArray& bytes, bool* withBom)
{
    if (withBom)
        *withBom = false;
    // The mark arrives as a character, so that exactly one is dropped.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF))) {
            text.remove(0, 1);
            if (withBom)
                *withBom = true;
        }
        return text;
    }
    QStringDecoder cp1251("windows-1251");
    if (cp1251.isValid())
        return cp1251(bytes);
    return QString::fromLatin1(bytes);
}

bool IniFile::load(const QString& path)
{
    m_path = path;
    m_sections.clear();
    m_baseline.clear();
    m_eol = QStringLiteral("\n");
    m_bom = false;
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    setText(file.readAll());
    m_baseline = text();
    return true;
}

void IniFile::setText(const QByteArray& bytes)
{
    m_sections.clear();
    m_sections.push_back(Section{});
    const QString text = decode(bytes, &m_bom);
    const qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
    m_eol = firstBreak > 0 && text.at(firstBreak - 1) == QLatin1Char('\r') ? QStringLiteral("\r\n")
                                                                          : QStringLiteral("\n");
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        // Only one CR belongs to the break; any others are the line's own text.
        QString eol = QStringLiteral("\n");
        if (line.endsWith(QLatin1Char('\r')) && i + 1 < lines.size()) {
            line.chop(1);
            eol = QStringLiteral("\r\n");
        }
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.contains(QLatin1Char(']'))) {
            m_sections.push_back(
                Section{t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed(), {}, eol});
            continue;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (eq > 0 && !t.startsWith(QLatin1Char(';')))
            m_sections.back().lines.push_back(Line{t.left(eq).trimmed(), t.mid(eq + 1), {}, eol});
        else
            m_sections.back().lines.push_back(Line{{}, {}, line, eol});
    }
    // The split leaves one empty piece after the final line break.
    auto& last = m_sections.back().lines;
    if (!last.empty() && last.back().key.isEmpty() && last.back().raw.isEmpty())
        last.pop_back();
}

QByteArray IniFile::text() const
{
    QString out;
    bool first = true;
    for (const Section& s : m_sections) {
        if (!first || !s.name.isEmpty())
            out += QLatin1Char('[') + s.name + QLatin1Char(']') + (s.eol.isEmpty() ? m_eol : s.eol);
        first = false;
        for (const Line& l : s.lines) {
            out += l.key.isEmpty() ? l.raw : l.key + QLatin1Char('=') + l.value;
            out += l.eol.isEmpty() ? m_eol : l.eol;
        }
    }
    return m_bom ? "\xEF\xBB\xBF" + out.toUtf8() : out.toUtf8();
}

bool IniFile::save() const
{
    if (m_path.isEmpty())
        return false;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text());
    return file.commit();
}

bool IniFile::saveAs(const QString& path)
{
    m_path = path;
    return save();
}

const IniFile::Section* IniFile::findSection(const QString& name) const
{
    for (std::size_t i = 1; i < m_sections.size(); ++i)
        if (sameName(m_sections[i].name, name))
            return &m_sections[i];
    return nullptr;
}

IniFile::Section* IniFile::findSection(const QString& name)
{
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s)
        return nullptr;
    for (const Line& l : s->lines)
        if (!l.key.isEmpty() && sameName(l.key, key))
            return &l;
    return nullptr;
}

bool IniFile::sectionExists(const QString& section) const
{
    return findSection(section) != nullptr;
}

bool IniFile::valueExists(const QString& section, const QString& key) const
{
    return findLine(section, key) != nullptr;
}

QStringList IniFile::sections() const
{
    QStringList out;
    for (std::size_t i = 1; i < m_sections.size(); ++i)
        out << m_sections[i].name;
    return out;
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList out;
    if (const Section* s = findSection(section))
        for (const Line& l : s->lines)
            if (!l.key.isEmpty())
                out << l.key;
    return out;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& fallback) const
{
    const Line* l = findLine(section, key);
    if (!l)
        return fallback;
    QString v = l->value.trimmed();
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const
{
    const QString v = readString(section, key);
    qsizetype end = 0;
    if (end < v.size() && (v[end] == QLatin1Char('-') || v[end] == QLatin1Char('+')))
        ++end;
    const qsizetype digits = end;
    while (end < v.size() && v[end].isDigit() && v[end].unicode() < 128)
        ++end;
    if (end == digits)
        return fallback;
    bool ok = false;
    const int n = v.left(end).toInt(&ok);
    return ok ? n : fallback;
}

bool IniFile::readBool(const QString& section, const QString& key, bool fallback) const
{
    const QString v = readString(section, key);
    if (sameName(v, QStringLiteral("True")))
        return true;
    if (sameName(v, QStringLiteral("False")))
        return false;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n != 0 : fallback;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (m_sections.empty())
        m_sections.push_back(Section{});
    Section* s = findSection(section);
    if (!s) {
        m_sections.push_back(Section{section, {}, {}});
        s = &m_sections.back();
    }
    for (Line& l : s->lines) {
        if (!l.key.isEmpty() && sameName(l.key, key)) {
            l.value = value;
            return;
        }
    }
    // New keys go after the section's last key, before trailing blank lines.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && std::prev(pos)->key.isEmpty())
        --pos;
    s->lines.insert(pos, Line{key, value, {}, {}});
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

void IniFile::eraseSection(const QString& section)
{
    for (std::size_t i = 1; i < m_sections.size(); ++i) {
        if (sameName(m_sections[i].name, section)) {
            m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    if (Section* s = findSection(section)) {
        for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
            if (!it->key.isEmpty() && sameName(it->key, key)) {
                s->lines.erase(it);
                return;
            }
        }
    }
}

} // namespace vyn
