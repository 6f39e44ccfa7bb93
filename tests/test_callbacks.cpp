// The GLUT callbacks, linked against a stand-in that records the two GLUT
// calls they make, so the redisplay requests and the idle registration can
// be observed without a window.
#include "app/callbacks.h"
#include "render/gl.h"

#include <gtest/gtest.h>

namespace {

int redisplayRequests = 0;
int idleRegistrations = 0;
void (*registeredIdle)() = nullptr;

void resetAll()
{
    viewer = ViewerState{};
    redisplayRequests = 0;
    idleRegistrations = 0;
    registeredIdle = nullptr;
}

}  // namespace

// Stand-ins for the GLUT functions the callbacks call.
extern "C" {
void glutPostRedisplay()
{
    ++redisplayRequests;
}
void glutIdleFunc(void (*callback)())
{
    ++idleRegistrations;
    registeredIdle = callback;
}
}

namespace {

struct CharCase {
    unsigned char key;
    int redisplays;
    int idleCalls;
};

TEST(KeyboardCallback, AsksGlutForWhatEachKeyNeeds)
{
    const CharCase cases[] = {
        {'c', 1, 0}, {'l', 1, 0}, {13, 0, 1}, {'C', 0, 0}, {'L', 0, 0}, {'x', 0, 0}, {'\n', 0, 0},
    };
    for (const CharCase& c : cases) {
        resetAll();
        keyboard(c.key, 10, 20);
        EXPECT_EQ(redisplayRequests, c.redisplays) << int(c.key);
        EXPECT_EQ(idleRegistrations, c.idleCalls) << int(c.key);
    }
}

TEST(KeyboardCallback, EnterRegistersIdleThenRemovesIt)
{
    resetAll();
    keyboard(13, 0, 0);
    EXPECT_EQ(viewer.animating, 1);
    EXPECT_EQ(registeredIdle, &idle);
    keyboard(13, 0, 0);
    EXPECT_EQ(viewer.animating, 0);
    EXPECT_EQ(registeredIdle, nullptr);
    EXPECT_EQ(idleRegistrations, 2);
    EXPECT_EQ(redisplayRequests, 0);
}

TEST(KeyboardCallback, EscapeExitsWithStatusZeroWhateverTheState)
{
    resetAll();
    viewer.animating = 1;
    viewer.viewpoint = 2;
    EXPECT_EXIT(keyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
}

TEST(SpecialKeyCallback, RedisplaysOnlyForTheSixTurningKeys)
{
    const int turning[] = {GLUT_KEY_LEFT, GLUT_KEY_UP, GLUT_KEY_RIGHT, GLUT_KEY_DOWN,
                           GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN};
    for (int key : turning) {
        resetAll();
        specialKey(key, 0, 0);
        EXPECT_EQ(redisplayRequests, 1) << key;
    }
    const int idleKeys[] = {GLUT_KEY_F1, GLUT_KEY_HOME, GLUT_KEY_END, GLUT_KEY_INSERT};
    for (int key : idleKeys) {
        resetAll();
        specialKey(key, 0, 0);
        EXPECT_EQ(redisplayRequests, 0) << key;
    }
}

TEST(IdleCallback, StepsTheSpinAndAsksForOneRedisplay)
{
    resetAll();
    idle();
    EXPECT_EQ(viewer.angleX, 0.4256f);
    EXPECT_EQ(viewer.angleY, 0.6117f);
    EXPECT_EQ(viewer.angleZ, 0.4174f);
    EXPECT_EQ(redisplayRequests, 1);
    EXPECT_EQ(idleRegistrations, 0);
}

}  // namespace
