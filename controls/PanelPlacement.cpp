#include "controls/PanelPlacement.h"

#include "res/resource.h"

unsigned BackgroundBitmapId(unsigned functionCount) {
    static const unsigned ids[] = {IDB_BACKGROUND_0, IDB_BACKGROUND_1, IDB_BACKGROUND_2,
                                   IDB_BACKGROUND_3};
    return ids[functionCount];
}

PixelPoint CentredOrigin(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height) {
    return {screenWidth / 2 - width / 2, screenHeight / 2 - height / 2};
}
