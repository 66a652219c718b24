#pragma once
// Painting a list at once while the program is busy, so that a long run shows its progress
// without waiting for the event loop. A full repaint of a list costs about a millisecond, far
// more than the work it reports, so immediate paints are spaced at least a frame apart; a paint
// asked for sooner is left to the next one or to the event loop, which the run visits once a
// folder and the progress window during every archive.

class QWidget;

namespace qb::panes {

// Paints `widget` now unless another immediate paint happened within the last 20 ms; then it
// only marks the widget for painting.
void PaintNow(QWidget* widget);

}  // namespace qb::panes
