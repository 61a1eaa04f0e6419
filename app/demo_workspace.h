#pragma once

class clWorkspace;

// Fills an empty workspace with the demonstration set-up: a master on VLINE1-A,
// a slave on VLINE1-B and a monitor on both taps of the cable; the slave has a
// tag of every monitored type, the master the matching tags, and a slave double
// command is linked to a double point so that a command visibly changes it.
void BuildDemoWorkspace(clWorkspace& workspace);
