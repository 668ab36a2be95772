// Camera controller: turns mouse drags, wheel steps and the shift keys into
// a model rotation, an environment rotation and a scene translation. Knows
// nothing of GL; the viewer forwards its events and rebuilds its matrices
// from this state with viewMatrices().
#pragma once

#include "foundation/math.h"

struct trackballButton_t {
    bool pressed = false;
    float x = 0.0f; // anchor: where the drag was last applied
    float y = 0.0f;
};

// The matrices derived from the controller's state.
struct viewMatrices_t {
    mtx3w modelview;    // T(t) x R(r2) x T(-pivot)
    mtx3w invModelview; // T(pivot) x R(r3) x T(-t)
    mtx3w globalview;   // modelview x R(r0)
};

class trackball_t
{
  public:
    trackballButton_t buttons[3]; // left, middle, right
    bool shift = false;
    rot3 r0; // environment rotation
    rot3 r1; // inverse of r0
    rot3 r2; // model rotation
    rot3 r3; // inverse of r2
    pos3 t;  // scene translation in eye space; t.z < 0 is in front
    // What the fit sets from the scene: the point the model turns about,
    // the length wheel steps and drags count in (1 for a scene 1 to 10
    // units across), the radius about the pivot that wheel steps never pass
    // and the farthest the pivot may go from the camera.
    pos3 pivot{0.0f, 0.0f, 0.0f};
    float unit = 1.0f;
    float radius = 0.0f;
    float farthest = 500.0f;

    trackball_t();

    // Rotations to identity, t to 0; buttons, shift and the scene's
    // pivot, unit and radius stay.
    void reset();
    // Re-anchors every pressed button at (x, y) so the drag goes on from here
    // without a jump when the shift key hands it between model and environment.
    void setShift(bool on, int x, int y);
    // One wheel step: a quarter unit along the view axis, but inwards at
    // most half the way to the sphere of `radius` about the pivot (when the
    // fit set one), so no number of steps passes into the scene; outwards no
    // farther than `farthest`.
    void wheel(int direction);
    // Press (state 0) or release of button 0..2, y counted upward.
    void mouse(int button, int state, int x, int y);
    // Applies the drag of every pressed button and moves the anchors; true
    // when the view changed. `depth` is the normalised depth of the grabbed
    // point (0: plain 1/16 unit per pixel pan).
    bool motion(int x, int y, float depth, const mtx3w& invModelview, const mtx3w& invProjection, float halfWidth,
                float halfHeight);

    viewMatrices_t viewMatrices() const;

  private:
    // Moves the camera dz along the view axis (dz > 0 towards the scene)
    // within the limits the wheel keeps.
    void dolly(float dz);
    void pan(float x, float y, float depth, const mtx3w& invModelview, const mtx3w& invProjection, float halfWidth,
             float halfHeight);
};
