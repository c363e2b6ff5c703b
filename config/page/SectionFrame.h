#pragma once

#include <QString>

class QGroupBox;
class QWidget;

// One of the page's five section frames: bold centred title, a single blue line, open at the
// bottom except for the last frame, which is closed.
QGroupBox* MakeSectionFrame(QWidget* parent, const QString& title, bool closed);
