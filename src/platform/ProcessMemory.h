#pragma once

// The resident memory of this process in mebibytes, or -1 where the system
// does not tell.
double residentMegabytes();
