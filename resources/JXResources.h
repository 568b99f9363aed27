#pragma once

// The button images under ":/resources/" are compiled into the static library lankit_core;
// a static library's resources are registered only when some code asks for them. The
// program and every test or tool that draws them call init() once after start.
class JXResources
{
public:
    static void init();
};
