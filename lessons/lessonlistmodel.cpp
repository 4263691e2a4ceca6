#include "lessonlistmodel.h"

#include <algorithm>

namespace mulo {

namespace {

// What a flag's change touches; made once, as a selection command announces thousands.
const QList<int>& flagRoles()
{
    static const QList<int> roles{Qt::CheckStateRole};
    return roles;
}

} // namespace

void LessonListModel::checkIndex(int index) const
{
    if (index < 0 || index >= int(m_entries.size()))
        throw RuntimeError(
            QStringLiteral("列表索引 %1 超出范围（共 %2 项）").arg(index).arg(m_entries.size()));
}

void LessonListModel::AddItem(const QString& text)
{
    if (m_entries.size() >= size_t(maxCount))
        throw RuntimeError(QStringLiteral("列表已满（最多 %1 项）").arg(maxCount));
    const int row = int(m_entries.size());
    beginInsertRows({}, row, row);
    m_entries.push_back(text);
    m_selected.push_back(false);
    endInsertRows();
}

bool LessonListModel::Selected(int index) const
{
    checkIndex(index);
    return m_selected[size_t(index)];
}

void LessonListModel::setSelected(int index, bool selected)
{
    checkIndex(index);
    if (m_selected[size_t(index)] == selected)
        return;
    m_selected[size_t(index)] = selected;
    m_selCount = qint16(m_selCount + (selected ? 1 : -1));
    if (m_batching) {
        m_changedFirst = m_changedFirst < 0 ? index : std::min(m_changedFirst, index);
        m_changedLast = std::max(m_changedLast, index);
        return;
    }
    const QModelIndex changed = this->index(index);
    emit dataChanged(changed, changed, flagRoles());
}

void LessonListModel::endChanges()
{
    if (--m_batching > 0 || m_changedFirst < 0)
        return;
    const QModelIndex first = index(m_changedFirst), last = index(m_changedLast);
    m_changedFirst = m_changedLast = -1;
    emit dataChanged(first, last, flagRoles());
}

QString LessonListModel::List(int index) const
{
    checkIndex(index);
    return m_entries[size_t(index)];
}

void LessonListModel::setListIndex(int index)
{
    if (index != -1)
        checkIndex(index);
    if (m_current == index)
        return;
    m_current = qint16(index);
    emit listIndexChanged(index);
}

void LessonListModel::toggleByUser(int index)
{
    setSelected(index, !Selected(index));
    setListIndex(index);
}

int LessonListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant LessonListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_entries.size()))
        return {};
    const size_t row = size_t(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return m_entries[row];
    case Qt::CheckStateRole:
        return m_selected[row] ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

Qt::ItemFlags LessonListModel::flags(const QModelIndex& index) const
{
    // Not user-checkable: the view's row click does the toggling, so a click on the tick box
    // itself is not counted twice.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

} // namespace mulo
