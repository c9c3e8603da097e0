#pragma once

#include <cairo.h>

// Saves a Cairo context's graphics state and restores it when it goes, so
// an early return cannot leave a clip or transform behind for the next
// drawing.
class CairoStateSaver {
public:
    explicit CairoStateSaver(cairo_t* cr)
        : m_cr(cr)
    {
        cairo_save(m_cr);
    }
    ~CairoStateSaver() { cairo_restore(m_cr); }
    CairoStateSaver(const CairoStateSaver&) = delete;
    CairoStateSaver& operator=(const CairoStateSaver&) = delete;

private:
    cairo_t* m_cr;
};
