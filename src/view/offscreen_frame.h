// One frame of a scene view drawn without a window.
#pragma once

#include "textures/image.h"
#include "view/scene_view.h"

enum class offscreenStatus_t { drawn, noFramebuffer, noMemory };

// Reshapes `view` to w x h and draws its frame into a framebuffer object of
// that size (RGBA8 colour, 24-bit depth), then reads it back into `image` as
// 8-bit RGB, bottom row first. Needs the view's GL context current; prints
// nothing itself (GL errors through checkGL).
offscreenStatus_t drawOffscreen(sceneview_t& view, int w, int h, libgr::grImage2D& image);
