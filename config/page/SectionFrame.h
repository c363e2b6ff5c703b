#pragma once

#include <QString>

class CXGroupBox;
class QWidget;

// One of the page's five section frames: bold centred title, a single blue line, open at the
// bottom except for the last frame, which is closed.
CXGroupBox* MakeSectionFrame(QWidget* parent, const QString& title, bool closed);
