#pragma once

class QMdiArea;

// The two tilings the Window menu offers besides the cascade: windows stacked
// one above the other across the full width, or side by side at full height.
class MdiTiling
{
public:
    static void tileHorizontally(QMdiArea* area);
    static void tileVertically(QMdiArea* area);

private:
    static void tile(QMdiArea* area, bool stacked);
};
