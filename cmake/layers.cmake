# The program's layers, lowest first, as "folder: the folders it may use".
# A layer includes its own headers and those of the layers it names, never
# one above it; the libraries link the same way, and check_layers.cmake
# refuses a build whose includes break the order.
set(VARNOK_LAYERS
  "platform/matrix:"
  "platform/graphics:platform/matrix"
  "platform/window:platform/matrix platform/graphics"
  "session:platform/matrix platform/graphics platform/window"
  "morpho:platform/matrix"
  "style:platform/matrix platform/graphics platform/window session"
  "display:platform/matrix platform/graphics platform/window session morpho style"
  "io:platform/matrix platform/graphics platform/window session morpho style display"
  "analysis:platform/matrix platform/graphics platform/window session morpho style display io"
  "shell:platform/matrix platform/graphics platform/window session morpho style display io analysis"
  "platform/qt:platform/matrix platform/graphics platform/window")
