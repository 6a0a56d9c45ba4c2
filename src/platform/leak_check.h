#pragma once
// Sanitizer builds only: the leak check runs when the program ends, but while
// the GL driver is still loaded. At exit the toolkit closes the display and
// the driver's rasteriser is unloaded; the memory it kept for the context
// would then look lost and hide a real leak among its reports. Call once,
// right after the first GL context exists. Does nothing in other builds.
void checkLeaksBeforeTheGlDriverUnloads();
