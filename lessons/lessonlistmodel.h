#pragma once

// The lesson list's own state: entries, selected flags and the current index. The view only
// shows it. Flags are kept here rather than in Qt's selection model, whose range bookkeeping
// turns selecting or inverting thousands of single rows into minutes.

#include "core/controls.h"

#include <QAbstractListModel>
#include <vector>

namespace mulo {

class LessonListModel : public QAbstractListModel, public ListOps {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void AddItem(const QString& text) override;
    qint16 ListCount() const override { return qint16(m_entries.size()); }
    qint16 SelCount() const override { return m_selCount; }
    bool Selected(int index) const override;
    void setSelected(int index, bool selected) override;
    QString List(int index) const override;
    qint16 ListIndex() const override { return m_current; }
    void setListIndex(int index) override;

    // What a click on an entry does: toggle its flag and make it current.
    void toggleByUser(int index);

    // Flags changed between beginChanges() and endChanges() are announced once, as one
    // range: inverting 32767 lessons is then one repaint of the view, not 32767 notices.
    void beginChanges() { ++m_batching; }
    void endChanges();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void listIndexChanged(int index);

private:
    void checkIndex(int index) const;

    std::vector<QString> m_entries;
    std::vector<bool> m_selected;
    qint16 m_selCount = 0;
    qint16 m_current = -1;
    int m_batching = 0;
    int m_changedFirst = -1, m_changedLast = -1; // the rows changed while batching
};

} // namespace mulo
