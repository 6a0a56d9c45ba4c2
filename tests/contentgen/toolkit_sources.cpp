// The content generator is a program, not a library; its picture toolkit is
// compiled into this test program here, once, so the tests can call it.
#include "../../tools/contentgen/canvas.cpp"
#include "../../tools/contentgen/content.cpp"
#include "../../tools/contentgen/drawing.cpp"
#include "../../tools/contentgen/picture_files.cpp"
#include "../../tools/contentgen/text.cpp"
