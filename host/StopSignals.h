// Ctrl-C, a kill and a closed terminal as a request to stop, which the
// programs poll: a render removes its unfinished output, the player closes
// its editor and saves its settings.
#pragma once

void catchStopSignals();
bool stopRequested();
