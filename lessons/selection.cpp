#include "selection.h"

namespace mulo {

void Option1_Click(ListOps& list, qint16 Index)
{
    const int count = list.ListCount();
    for (int i = 0; i < count; ++i) {
        switch (Index) {
        case SelectAll:
            list.setSelected(i, true);
            break;
        case SelectNone:
            list.setSelected(i, false);
            break;
        case InvertSelection:
            list.setSelected(i, !list.Selected(i));
            break;
        default:
            return;
        }
    }
}

} // namespace mulo
