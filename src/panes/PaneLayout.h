#pragma once
// The arrangement of the six panes in the main window's client area when they follow its size:
// two columns of three, every measure in twips, halves rounded to the even neighbour. And the
// place of the cancel button, kept at the right edge of the button bar.

#include <QRectF>

#include <array>
#include <optional>

namespace qb::panes {

enum PaneSlot { SlotSourceFolder, SlotSubfolders, SlotTargets, SlotOutputFolder, SlotHistory, SlotArchives, SlotCount };

// Rectangles (left, top, width, height) of the panes for a client area of the given size.
std::array<QRectF, SlotCount> ComputePaneLayout(double clientWidth, double clientHeight);

// The left edge of the cancel button, 60 twips from the right; nullopt when the window is too
// narrow (the button then stays where it was).
std::optional<double> CancelButtonLeft(double clientWidth, double buttonWidth);

}  // namespace qb::panes
