#pragma once

// What a point on an annotation means for a drag: results of the hit tests.
enum HandleCode {
    HandleNone = 0,
    HandleMove = 1, // the body
    HandleTopLeft = 2,
    HandleTopRight = 3,
    HandleBottomRight = 4,
    HandleBottomLeft = 5,
    HandleLeft = 6,
    HandleTop = 7,
    HandleRight = 8,
    HandleBottom = 9,
    // Bands along the outline between the squares, reported only by the box test.
    HandleLeftBand = 10,
    HandleTopBand = 11,
    HandleRightBand = 12,
    HandleBottomBand = 13,
    HandleLineStart = 15,
    HandleLineEnd = 16,
};
