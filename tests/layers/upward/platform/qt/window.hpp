// The Qt window knows the platform only; Qt's own headers are not layers.
#pragma once
#include <QWidget>
#include "platform/graphics/graphics.hpp"
