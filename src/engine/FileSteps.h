#pragma once

namespace engine {

// Every file-system step the table layer takes on the user's data (a rename, a removal, a file written, a
// commit) passes through fileStep() first. When the environment variable GROCELLE_KILL_AT_STEP holds a
// number k > 0, the process kills itself (SIGKILL) just before step k, so that tests can prove a crash at
// any step leaves whole tables. While that variable is set at all, every write, sync, truncation and
// deletion SQLite makes counts as a step too. Without it, a step costs one comparison.
void fileStep();

// Steps taken so far by this process.
int fileStepsTaken();

// Installs the counting file layer under SQLite when the variable is set; called before any connection opens.
void installStepCounting();

} // namespace engine
