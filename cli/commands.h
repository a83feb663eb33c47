#pragma once

// Each murvane-cli subcommand takes the arguments after its own name and
// returns the process exit status.
int runCheckCommand(int argc, char** argv);
int runKeysCommand(int argc, char** argv);
int runTracksCommand(int argc, char** argv);
int runLayoutsCommand(int argc, char** argv);
int runSheetCommand(int argc, char** argv);
int runListCommand(int argc, char** argv);
