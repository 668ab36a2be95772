// Thin object layer over freeglut: an application derives from glutyAPI4,
// overrides the handlers it needs and hands the object to the process-wide
// registry, which creates the GLUT window and routes every event of that
// window to the object's virtual handlers.
#pragma once

#include <exception>
#include <map>

namespace dorv
{

// Event interface. The slot order is fixed; every handler defaults to nothing.
class glutyAPI
{
  public:
    virtual void reshape(int width, int height);
    virtual void display();
    virtual void keyboard(unsigned char key, int x, int y);
    virtual void special(int key, int x, int y);
    virtual void mouse(int button, int state, int x, int y);
    virtual void motion(int x, int y);
    virtual void passiveMotion(int x, int y);
    virtual void idle();
    virtual void init();

  protected:
    // Objects are never deleted through this interface (it has no virtual
    // destructor); glutyAPI4 adds one.
    ~glutyAPI() = default;
};

class glutyAPI4 : public glutyAPI
{
  public:
    virtual ~glutyAPI4();
    virtual void keyboardUp(unsigned char key, int x, int y);
    virtual void specialUp(int key, int x, int y);
    virtual void mouseWheel(int wheel, int direction, int x, int y);
};

// Delivers one GLUT mouse event to an object. Buttons 0..2 go to mouse() for
// press and release; buttons 3 and up are wheel steps reported as buttons:
// the press is dropped and the release becomes mouseWheel((button-3)/2,
// odd ? +1 : -1). Only glutyAPI4 objects can receive wheel steps.
void dispatchMouse(glutyAPI* object, int button, int state, int x, int y);

// The one window registry of the process.
class glutyRegistry
{
  public:
    std::map<int, glutyAPI*> windows; // GLUT window id -> object (not owned)
    bool callbacksInstalled = false;
    bool idleEnabled = false;
    bool keyRepeat = false;
    std::exception_ptr failure; // what a callback threw, for mainLoop

    glutyRegistry();
    glutyRegistry(const glutyRegistry&) = delete;
    glutyRegistry& operator=(const glutyRegistry&) = delete;

    // The registry made by the static initialiser; null after process exit
    // has emptied it.
    static glutyRegistry* instance();

    // Creates a GLUT window titled `title` for `object` (which becomes the
    // current window) and returns its id; -1 and no window for a null object.
    int createWindow(glutyAPI* object, const char* title);
    void setIdle(bool on);
    void setKeyRepeat(bool on);
    // Once per process: init() of every object (ascending id), re-applies the
    // idle and key-repeat flags, registers the trampolines.
    void installCallbacks();
    // Runs GLUT's loop until it is left; then throws again what a callback
    // threw (see guard).
    void mainLoop();
    void leaveMainLoop();

    // Runs `f` for a GLUT callback. An exception must not unwind through
    // freeglut's C frames: it is kept, the loop is left, and mainLoop throws
    // it in main's hands. Once one is kept, no further callback runs.
    template <class F> void guard(F&& f)
    {
        if (failure)
            return;
        try {
            f();
        } catch (...) {
            failure = std::current_exception();
            leaveMainLoop();
        }
    }

    // The object mapped for GLUT's current window, or null.
    glutyAPI* current() const;

    // GLUT callbacks: each finds the current window's object and calls it.
    static void onReshape(int width, int height);
    static void onDisplay();
    static void onKeyboard(unsigned char key, int x, int y);
    static void onSpecial(int key, int x, int y);
    static void onMouse(int button, int state, int x, int y);
    static void onMotion(int x, int y);
    static void onPassiveMotion(int x, int y);
    static void onKeyboardUp(unsigned char key, int x, int y);
    static void onSpecialUp(int key, int x, int y);
    static void onMouseWheel(int wheel, int direction, int x, int y);
    static void onIdle();
};

} // namespace dorv
