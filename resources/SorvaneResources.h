#pragma once

// Registers the compiled-in icons under ":/formIcons/Icons/". They are built
// into a static library, whose object files the linker drops unless something
// refers to them: every program or test that shows the icons calls this once,
// before the first image is loaded. Further calls do nothing.
void initSorvaneResources();
