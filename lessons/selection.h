#pragma once

// The selection commands of the option group "范围": select every lesson, none, or invert.

#include "core/controls.h"

namespace mulo {

enum SelectionCommand : qint16 { SelectAll = 0, SelectNone = 1, InvertSelection = 2 };

// Applies the command to each entry in turn, one write per entry (one read before it when
// inverting). Any other index does nothing. Only the flags change.
void Option1_Click(ListOps& list, qint16 Index);

} // namespace mulo
