// A morphometric routine that draws: the one include that points up.
#pragma once
#include <vector>
#include "display/showshape.hpp"
#include "platform/matrix/matrix.hpp"
