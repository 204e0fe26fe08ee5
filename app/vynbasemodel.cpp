#include "app/vynbasemodel.h"

#include "app/configdatabase.h"
#include "app/sqlitestatement.h"

#include "model/userdialogs.h"

#include <QDate>
#include <QDateTime>
#include <QSqlQuery>
#include <algorithm>

namespace vyn {

namespace {

// Rows read at once when the list asks for one that is not cached: about a few
// screens, so scrolling reads one statement per block.
constexpr int kBlock = 128;
// Cached rows beyond which the cache starts again, bounding memory at any size.
constexpr std::size_t kMaxCachedRows = 20000;

const char* const kColumnNames[] = {"SNUM", "DATE", "TYPE_VYN", "CXEMA", "COMMENT", "MANAGER"};
const int kColumnWidths[] = {120, 120, 69, 80, 194, 161};

QString selectList()
{
    QStringList names;
    for (const char* n : kColumnNames)
        names << QLatin1Char('"') + QLatin1String(n) + QLatin1Char('"');
    return names.join(QLatin1Char(','));
}

// Latin and Cyrillic letters, digits and signs: their Unicode lower case is one
// character for one and depends on no neighbour.
bool isPlain(char16_t c)
{
    return c < 0x80 || (c >= 0x400 && c <= 0x4ff);
}

void append(std::u16string& out, const QString& text)
{
    out.append(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

QString plainCharacters()
{
    QString all;
    for (char16_t c = 1; c <= 0x4ff; ++c)
        if (isPlain(c))
            all += QChar(c);
    return all;
}

} // namespace

bool Table2FilterRecord(const QString& displayText, const QString& searchText,
                        const QLocale& locale)
{
    if (searchText.isEmpty())
        return false;
    return locale.toLower(displayText).contains(locale.toLower(searchText));
}

FilterCase::FilterCase(QLocale locale) : m_locale(std::move(locale)) {}

bool FilterCase::plain() const
{
    if (!m_plain) {
        const QString all = plainCharacters();
        m_plain = m_locale.toLower(all) == all.toLower();
    }
    return *m_plain;
}

QString FilterCase::lower(const QString& text) const
{
    const bool cheap =
        plain() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return isPlain(c.unicode()); });
    return cheap ? text.toLower() : m_locale.toLower(text);
}

void FilterCase::appendLower(std::u16string& out, QByteArrayView utf8) const
{
    const bool ascii = plain() && std::all_of(utf8.begin(), utf8.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    });
    if (!ascii) {
        append(out, lower(QString::fromUtf8(utf8)));
        return;
    }
    for (const char c : utf8)
        out.push_back(c >= 'A' && c <= 'Z' ? char16_t(c - 'A' + 'a') : char16_t(c));
}

VynBaseModel::VynBaseModel(ConfigDatabase& db, UserDialogs& dialogs, NumberLocale numbers,
                           QLocale locale, QObject* parent)
    : QAbstractTableModel(parent), m_db(db), m_dialogs(dialogs), m_numbers(std::move(numbers)),
      m_locale(std::move(locale)), m_case(m_locale)
{
    m_db.setListener([this](std::optional<qint64> id) { onChanged(id); });
}

VynBaseModel::~VynBaseModel()
{
    m_db.setListener(nullptr);
}

QString VynBaseModel::columnName(int column)
{
    return column >= 0 && column < ColumnCount ? QLatin1String(kColumnNames[column]) : QString();
}

int VynBaseModel::columnWidth(int column)
{
    return column >= 0 && column < ColumnCount ? kColumnWidths[column] : 0;
}

int VynBaseModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_filtered ? static_cast<int>(m_visible.size()) : m_db.RecordCount();
}

int VynBaseModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

qint64 VynBaseModel::idAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return 0;
    const int position = m_filtered ? m_visible[static_cast<std::size_t>(row)] : row;
    const qint64 id = m_db.idAt(position);
    announceLateChange();
    return id;
}

int VynBaseModel::rowOfId(qint64 id) const
{
    const int position = m_db.positionOf(id);
    announceLateChange();
    if (position < 0 || !m_filtered)
        return position;
    const auto it = std::lower_bound(m_visible.begin(), m_visible.end(), position);
    return it != m_visible.end() && *it == position ? static_cast<int>(it - m_visible.begin()) : -1;
}

QString VynBaseModel::formatDate(const QVariant& stored) const
{
    static const ColumnSpec& dateColumn = *findColumn(QStringLiteral("DATE"));
    const QVariant v = ConfigDatabase::fromStored(dateColumn, stored);
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(m_numbers.shortDateFormat());
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime moment = v.toDateTime();
        QString text = moment.date().toString(m_numbers.shortDateFormat());
        // As the list always showed it: the time only when there is one.
        if (moment.time() != QTime(0, 0))
            text += QLatin1Char(' ') + moment.time().toString(QStringLiteral("hh:mm:ss"));
        return text;
    }
    return stored.toString();
}

void VynBaseModel::fetchBlockOf(int listRow) const
{
    if (m_rows.size() > kMaxCachedRows)
        m_rows.clear();
    // A block around the row, kept inside the list: a view shows the rows next to
    // the one asked for, above and below, and at the end of the list (where the
    // program starts) a block aligned to multiples would read a whole block for
    // the one row above the last part block.
    const int first = std::max(0, std::min(listRow - kBlock / 2, rowCount() - kBlock));
    const int last = std::min(first + kBlock, rowCount());
    QStringList ids;
    for (int r = first; r < last; ++r) {
        const qint64 id = idAt(r);
        if (!m_rows.count(id)) {
            ids << QString::number(id);
            m_rows[id] = Row{};
        }
    }
    if (ids.isEmpty())
        return;
    QSqlQuery q(m_db.database());
    q.setForwardOnly(true);
    // The IDs are our own integers: no text of a user goes into the statement.
    if (!q.exec(QStringLiteral("SELECT \"ID\",%1 FROM \"VYN_Base\" WHERE \"ID\" IN (%2)")
                    .arg(selectList(), ids.join(QLatin1Char(',')))))
        return;
    while (q.next())
        fillRow(q, m_rows[q.value(0).toLongLong()]);
}

// From a statement that selects ID and the list's columns.
void VynBaseModel::fillRow(const QSqlQuery& q, Row& row) const
{
    row.present = true;
    for (int c = 0; c < ColumnCount; ++c)
        row.cells[c] = c == Date ? formatDate(q.value(c + 1)) : q.value(c + 1).toString();
}

const VynBaseModel::Row& VynBaseModel::rowFor(qint64 id) const
{
    static const Row kNone;
    auto it = m_rows.find(id);
    if (it == m_rows.end()) {
        const int row = rowOfId(id);
        if (row >= 0)
            fetchBlockOf(row);
        it = m_rows.find(id);
        if (it == m_rows.end()) {
            // Not in the list (filtered out): read it alone.
            QSqlQuery q(m_db.database());
            q.prepare(QStringLiteral("SELECT \"ID\",%1 FROM \"VYN_Base\" WHERE \"ID\" = ?").arg(selectList()));
            q.addBindValue(id);
            Row r;
            if (q.exec() && q.next())
                fillRow(q, r);
            it = m_rows.emplace(id, r).first;
        }
    }
    return it == m_rows.end() ? kNone : it->second;
}

QString VynBaseModel::displayText(qint64 id, int column) const
{
    if (column < 0 || column >= ColumnCount)
        return QString();
    return rowFor(id).cells[column];
}

QVariant VynBaseModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= ColumnCount)
        return {};
    const qint64 id = idAt(index.row());
    if (id == 0)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return displayText(id, index.column());
    case IdRole:
        return id;
    case HighlightRole:
        return dbGetCellParams(index);
    default:
        return {};
    }
}

QVariant VynBaseModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList kTitles{
        QStringLiteral("Серийный номер"), QStringLiteral("Дата модификации"),
        QStringLiteral("Тип Винка"),      QStringLiteral("Схема"),
        QStringLiteral("Комментарий"),    QStringLiteral("Кто конфигурировал"),
    };
    return kTitles.value(section);
}

Qt::ItemFlags VynBaseModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == Comment || index.column() == Manager)
        f |= Qt::ItemIsEditable;
    return f;
}

bool VynBaseModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const qint64 id = idAt(index.row());
    const QString text = value.toString();
    if (id == 0 || text == displayText(id, index.column()))
        return id != 0;
    if (!m_db.setText(id, columnName(index.column()), text)) {
        m_dialogs.inform(m_db.isReadOnly() ? readOnlyMessage(m_db.path())
                                           : QStringLiteral("Была ошибка при создании базы"),
                         QStringLiteral("Сообщение"), MessageKind::Error);
        return false;
    }
    return true;
}

void VynBaseModel::setSearch(const QString& text, int column)
{
    if (text == m_searchText && column == m_searchColumn)
        return;
    m_searchText = text;
    m_searchColumn = column;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {HighlightRole});
}

bool VynBaseModel::dbGetCellParams(const QModelIndex& index) const
{
    if (!index.isValid() || index.column() != m_searchColumn || m_searchColumn > Comment ||
        m_searchText.trimmed().isEmpty())
        return false;
    const qint64 id = idAt(index.row());
    return id != 0 && Table2FilterRecord(displayText(id, index.column()), m_searchText, m_locale);
}

void VynBaseModel::lowerColumn(int column) const
{
    if (m_lowerColumn == column)
        return;
    m_lowerColumn = column;
    m_lowerText.clear();
    m_lowerSlices.clear();
    m_lowerText.reserve(static_cast<std::size_t>(m_db.RecordCount()) * 10);
    m_lowerSlices.reserve(static_cast<std::size_t>(m_db.RecordCount()));
    // Dates repeat from row to row: the same stored text shows the same.
    QByteArray lastDate;
    QString lastDateText;
    bool haveLastDate = false;
    // A failure leaves the rest rejected.
    m_db.forEachValue(columnName(column), [&](int position, const ConfigDatabase::Cell& cell) {
        const auto at = static_cast<std::size_t>(position);
        if (at >= m_lowerSlices.size())
            m_lowerSlices.resize(at + 1);
        const std::size_t start = m_lowerText.size();
        QByteArrayView utf8;
        const bool text = cell.utf8(utf8);
        if (column == Date && text) {
            if (!haveLastDate || QByteArrayView(lastDate) != utf8) {
                lastDate = utf8.toByteArray();
                lastDateText = m_case.lower(formatDate(cell.value()));
                haveLastDate = true;
            }
            append(m_lowerText, lastDateText);
        } else if (column == Date) {
            append(m_lowerText, m_case.lower(formatDate(cell.value())));
        } else if (text) {
            m_case.appendLower(m_lowerText, utf8);
        } else {
            append(m_lowerText, m_case.lower(cell.value().toString()));
        }
        m_lowerSlices[at] = {static_cast<int>(start), static_cast<int>(m_lowerText.size() - start)};
    });
    // The order read may be another than the one counted before.
    m_lowerSlices.resize(static_cast<std::size_t>(m_db.RecordCount()));
    announceLateChange();
}

void VynBaseModel::applyFilter()
{
    m_visible.clear();
    if (m_filterText.isEmpty() || m_filterColumn < 0 || m_filterColumn > Comment)
        return;
    lowerColumn(m_filterColumn);
    const QStringView values(m_lowerText.data(), static_cast<qsizetype>(m_lowerText.size()));
    const QString needle = m_case.lower(m_filterText);
    for (std::size_t p = 0; p < m_lowerSlices.size(); ++p)
        if (values.sliced(m_lowerSlices[p].start, m_lowerSlices[p].length).contains(needle))
            m_visible.push_back(static_cast<int>(p));
}

void VynBaseModel::setFiltered(bool on)
{
    beginResetModel();
    m_filtered = on;
    m_filterText = m_searchText;
    m_filterColumn = m_searchColumn;
    if (on)
        applyFilter();
    else
        m_visible.clear();
    endResetModel();
}

void VynBaseModel::refresh()
{
    m_db.Refresh();
}

// The cursor read the rest of its order and found the rows changed by another
// program: shown once the call that asked has returned.
void VynBaseModel::announceLateChange() const
{
    if (m_db.takeUnannouncedChange())
        QMetaObject::invokeMethod(
            const_cast<VynBaseModel*>(this), [this] { const_cast<VynBaseModel*>(this)->reset(); },
            Qt::QueuedConnection);
}

void VynBaseModel::onChanged(std::optional<qint64> id)
{
    if (id) {
        m_rows.erase(*id);
        if (m_lowerColumn == Comment || m_lowerColumn == Manager)
            m_lowerColumn = -1;
        const int row = rowOfId(*id);
        if (row >= 0)
            Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
        return;
    }
    reset();
}

void VynBaseModel::reset()
{
    beginResetModel();
    m_rows.clear();
    m_lowerColumn = -1;
    m_lowerText.clear();
    m_lowerSlices.clear();
    if (m_filtered)
        applyFilter();
    endResetModel();
}

} // namespace vyn
