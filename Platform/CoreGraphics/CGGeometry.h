// Core Graphics geometry: the rectangle and size values the capture writers
// receive from the recorder.
#pragma once

typedef float CGFloat;

struct CGPoint {
    CGFloat x;
    CGFloat y;
};

struct CGSize {
    CGFloat width;
    CGFloat height;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
};

inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
    return CGRect{{x, y}, {width, height}};
}

inline CGSize CGSizeMake(CGFloat width, CGFloat height) {
    return CGSize{width, height};
}

inline bool CGRectEqualToRect(CGRect a, CGRect b) {
    return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width &&
           a.size.height == b.size.height;
}

inline bool CGSizeEqualToSize(CGSize a, CGSize b) {
    return a.width == b.width && a.height == b.height;
}

// Largest y of the rectangle, whichever sign its height has.
inline CGFloat CGRectGetMaxY(CGRect r) {
    return r.size.height >= 0 ? r.origin.y + r.size.height : r.origin.y;
}
