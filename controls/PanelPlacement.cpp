#include "controls/PanelPlacement.h"

#include "res/resource.h"

unsigned BackgroundBitmapId(unsigned functionCount) {
    static const unsigned ids[] = {IDB_BACKGROUND_0, IDB_BACKGROUND_1, IDB_BACKGROUND_2,
                                   IDB_BACKGROUND_3};
    // A count the panel never has gives no bitmap (0 names no resource), so
    // that the caller reports the missing background instead of reading past
    // the table.
    return functionCount < sizeof ids / sizeof ids[0] ? ids[functionCount] : 0;
}

PixelPoint CentredOrigin(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height) {
    return {screenWidth / 2 - width / 2, screenHeight / 2 - height / 2};
}
