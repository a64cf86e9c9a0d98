// Includes of layers below analysis, all allowed.
#pragma once
#include "display/showshape.hpp"
#include "io/mfload.hpp"
#include "platform/window/window.hpp"
