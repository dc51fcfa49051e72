#pragma once

#include <QSize>

// The primary screen's full size in the logical pixels widgets draw in, so a calibration made
// from it matches drawing at any scale factor. An empty size when there is no screen.
QSize PrimaryScreenSize();
