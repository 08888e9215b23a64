#pragma once
// The single instance wired to the main window, as the program runs it.

class TSingleInstance;
class TwinMain;

// A later start brings the window, and a dialog open in it, to the front and
// opens its first file. While the window has a dialog or question open,
// hand-overs wait until it has closed: a handler never finds its station
// replaced under it.
void ConnectInstance(TSingleInstance& instance, TwinMain& window);
