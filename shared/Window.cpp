// The copy assignments of the window classes, defined here so that the engine library
// exports them.
#include "PelgraSDK/Window.h"

CWindow& CWindow::operator=(const CWindow& other) = default;
CWindow::CWindowPos& CWindow::CWindowPos::operator=(const CWindowPos& other) = default;
CWindow::CWindowSize& CWindow::CWindowSize::operator=(const CWindowSize& other) = default;
CWindow::CWindowInfo& CWindow::CWindowInfo::operator=(const CWindowInfo& other) = default;
