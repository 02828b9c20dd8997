#pragma once
// The one place where the program puts the simulated board behind its USB doors.
namespace vek {
struct AppContext;
namespace sim {
class SimulatedBoard;
}

// The context talks to `board` from now on, and every chip selection sets the board up for the
// selected model (its Special header style and converter fields), as vek-enob does.
void UseSimulatedBoard(AppContext &ctx, sim::SimulatedBoard &board);

} // namespace vek
