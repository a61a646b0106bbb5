#pragma once
// Clicks of the X server's own pointer, through XTest, as a user's mouse.

#include <QPoint>

// Moves the pointer to the screen position and clicks the left button the
// given number of times in quick succession.
void clickOnScreen(QPoint at, int clicks);
