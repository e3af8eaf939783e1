// The library's own module instance: its resources, window classes and the
// instance handle of its module classes.
#pragma once

struct HINSTANCE__;

extern HINSTANCE__* g_hInstLibrary;
