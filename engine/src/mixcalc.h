// Constraint solver: which option each node plays in the coming section.
#pragma once
#include "package.h"

namespace mx {

// Allocates the solver buffers at full load (order, dependency matrix, constraint arrays with room
// for presets + skins + 2 x nodes entries). 0 on success, -1 on allocation failure or when the
// node count exceeds what the solver is sized for (1024).
int mxcAlloc(mxp4_package* p);
void mxcFree(mxp4_package* p);
// Computes the solving order, the dependency matrix and the soft-relation list (once, at load).
// Returns 0, or -1 when some node could not be ordered (cyclic dependencies, or node ranges that
// overlap or name missing entries).
int mxcPrecalc(mxp4_package* p);
// Clears the previous and current solution of every node.
void mxcReset(mxp4_package* p);
// Empties the constraint list and clears every node's forced option.
void mxcSolveInit(mxp4_package* p);
// Priority 0 forces the option on its node; otherwise inserts it in the constraint list.
void mxcSolveConstraintAdd(mxp4_package* p, int32_t option, int32_t priority);
// Recursive search from order position d; mode 1 deterministic, 0 random. 1 on success.
int _solve(mxp4_package* p, int32_t d, int mode);
// Sorts the option list starting at `head` by key, descending; returns the new head.
int32_t _quicksort(mxp4_package* p, int32_t head);
// A full decision; commit copies the new solution into current/previous. 1 when solved.
int mxcSolveProcess(mxp4_package* p, int commit);
// Adds the presets, selected skins and keep wishes of one decision.
void _constrBuild(mxp4_package* p);

} // namespace mx
