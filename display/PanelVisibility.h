#pragma once
// Showing, hiding and fading the panel. They come with the panel's display
// behaviour; until then the panel stays hidden and these do nothing.
class PanelVisibility {
public:
    void ShowPanel() {}
    void HidePanel() {}
};
