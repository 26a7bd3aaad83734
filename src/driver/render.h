// The offline renderer: plays the show headless on the virtual clock and writes its frames
// and soundtrack (vantrel --render DIR).
#pragma once

struct DemoOptions;

// Runs the whole show headless as the options ask; returns the process's exit status.
int RENDER_Run(const DemoOptions& options);
