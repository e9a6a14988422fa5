#pragma once
// The edges a speed bar can stand on, shared by the bar's units.

#include "platform/AlignLayout.h"

inline bool IsHorizontalEdge(TAlign align) {
    return align == alTop || align == alBottom;
}

inline bool IsEdge(TAlign align) {
    return align >= alTop && align <= alRight;
}
