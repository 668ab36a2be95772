#include "app/gluty.h"

#include <GL/glew.h>
// after glew.h, which must come first
#include <GL/freeglut.h>

namespace dorv
{

void glutyAPI::reshape(int, int) {}
void glutyAPI::display() {}
void glutyAPI::keyboard(unsigned char, int, int) {}
void glutyAPI::special(int, int, int) {}
void glutyAPI::mouse(int, int, int, int) {}
void glutyAPI::motion(int, int) {}
void glutyAPI::passiveMotion(int, int) {}
void glutyAPI::idle() {}
void glutyAPI::init() {}

glutyAPI4::~glutyAPI4() {}
void glutyAPI4::keyboardUp(unsigned char, int, int) {}
void glutyAPI4::specialUp(int, int, int) {}
void glutyAPI4::mouseWheel(int, int, int, int) {}

void dispatchMouse(glutyAPI* object, int button, int state, int x, int y)
{
    if (!object || button < 0)
        return;
    if (button <= 2) {
        object->mouse(button, state, x, y);
        return;
    }
    // A wheel step arrives as a press and a release; one step is one release.
    if (state == GLUT_DOWN)
        return;
    if (auto* api4 = dynamic_cast<glutyAPI4*>(object))
        api4->mouseWheel((button - 3) / 2, (button % 2) ? +1 : -1, x, y);
}

namespace
{

glutyRegistry* theRegistry = nullptr;

// Built before main so every trampoline can reach it. Its destructor is the
// exit handler: it runs at exit() (a quit key, or Xlib giving up on a lost
// server) and leaves the trampolines nothing to reach.
struct registry_holder_t {
    glutyRegistry registry;
    ~registry_holder_t()
    {
        registry.windows.clear();
        theRegistry = nullptr;
    }
};
registry_holder_t holder;

} // namespace

glutyRegistry::glutyRegistry()
{
    theRegistry = this;
}

glutyRegistry* glutyRegistry::instance()
{
    return theRegistry;
}

int glutyRegistry::createWindow(glutyAPI* object, const char* title)
{
    if (!object)
        return -1;
    const int id = glutCreateWindow(title ? title : "");
    windows[id] = object;
    return id;
}

void glutyRegistry::setIdle(bool on)
{
    idleEnabled = on;
    glutIdleFunc(on ? &glutyRegistry::onIdle : nullptr);
}

void glutyRegistry::setKeyRepeat(bool on)
{
    keyRepeat = on;
    glutSetKeyRepeat(on ? GLUT_KEY_REPEAT_ON : GLUT_KEY_REPEAT_OFF);
}

void glutyRegistry::installCallbacks()
{
    if (callbacksInstalled)
        return;
    // Copy first: an init() may create or map further windows.
    const std::map<int, glutyAPI*> objects = windows;
    for (const auto& entry : objects) {
        if (entry.second)
            entry.second->init();
    }
    setIdle(idleEnabled);
    setKeyRepeat(keyRepeat);
    glutReshapeFunc(&glutyRegistry::onReshape);
    glutDisplayFunc(&glutyRegistry::onDisplay);
    glutKeyboardFunc(&glutyRegistry::onKeyboard);
    glutSpecialFunc(&glutyRegistry::onSpecial);
    glutMouseFunc(&glutyRegistry::onMouse);
    glutMotionFunc(&glutyRegistry::onMotion);
    glutPassiveMotionFunc(&glutyRegistry::onPassiveMotion);
    glutKeyboardUpFunc(&glutyRegistry::onKeyboardUp);
    glutSpecialUpFunc(&glutyRegistry::onSpecialUp);
    glutMouseWheelFunc(&glutyRegistry::onMouseWheel);
    callbacksInstalled = true;
}

void glutyRegistry::mainLoop()
{
    installCallbacks();
    glutMainLoop();
}

void glutyRegistry::leaveMainLoop()
{
    glutLeaveMainLoop();
}

glutyAPI* glutyRegistry::current() const
{
    const auto it = windows.find(glutGetWindow());
    return it == windows.end() ? nullptr : it->second;
}

namespace
{

glutyAPI* currentObject()
{
    return theRegistry ? theRegistry->current() : nullptr;
}

glutyAPI4* currentObject4()
{
    return dynamic_cast<glutyAPI4*>(currentObject());
}

} // namespace

void glutyRegistry::onReshape(int width, int height)
{
    if (auto* o = currentObject())
        o->reshape(width, height);
}
void glutyRegistry::onDisplay()
{
    if (auto* o = currentObject())
        o->display();
}
void glutyRegistry::onKeyboard(unsigned char key, int x, int y)
{
    if (auto* o = currentObject())
        o->keyboard(key, x, y);
}
void glutyRegistry::onSpecial(int key, int x, int y)
{
    if (auto* o = currentObject())
        o->special(key, x, y);
}
void glutyRegistry::onMouse(int button, int state, int x, int y)
{
    dispatchMouse(currentObject(), button, state, x, y);
}
void glutyRegistry::onMotion(int x, int y)
{
    if (auto* o = currentObject())
        o->motion(x, y);
}
void glutyRegistry::onPassiveMotion(int x, int y)
{
    if (auto* o = currentObject())
        o->passiveMotion(x, y);
}
void glutyRegistry::onKeyboardUp(unsigned char key, int x, int y)
{
    if (auto* o = currentObject4())
        o->keyboardUp(key, x, y);
}
void glutyRegistry::onSpecialUp(int key, int x, int y)
{
    if (auto* o = currentObject4())
        o->specialUp(key, x, y);
}
void glutyRegistry::onMouseWheel(int wheel, int direction, int x, int y)
{
    if (auto* o = currentObject4())
        o->mouseWheel(wheel, direction, x, y);
}
void glutyRegistry::onIdle()
{
    if (auto* o = currentObject())
        o->idle();
}

} // namespace dorv
