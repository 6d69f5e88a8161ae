// Ending the worker thread from any depth: thrown by a failed step, caught only
// at the worker's entry, so the rest of the worker never runs.
#pragma once

struct WorkerExit {};
