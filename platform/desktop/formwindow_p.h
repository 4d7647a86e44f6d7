#pragma once
// Shared by the files of FormWindow: the twips scale, the mirroring guard
// and the dispatcher.
#include "formwindow.h"

namespace vb::detail {

constexpr int px(int twips) { return twips / FormWindow::TwipsPerPixel; }

struct Syncing {
    int &depth;
    explicit Syncing(int &d) : depth(d) { ++depth; }
    ~Syncing() { --depth; }
};

inline void run(const std::function<void()> &f) { App::instance().dispatch(f); }

} // namespace vb::detail
