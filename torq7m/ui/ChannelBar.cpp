#include "ChannelBar.h"

void RegisterChannelBarClasses() {}

void UnregisterChannelBarClasses() {}
