// sweep: one question (the energy-neutral wind, the least-wind loop, a
// flight's summary) over a grid of parameter values, one CSV row per point;
// merge: the files of a sweep's shards joined into one.
#pragma once

namespace soar::cli {

// argv[1] is "sweep" / "merge". With `parse_only` the arguments are checked
// (exit 2 and a message when they are wrong) and nothing is computed or written.
int sweep_command(int argc, char** argv, bool parse_only = false);
int merge_command(int argc, char** argv, bool parse_only = false);
// "sweep-worker": a worker process of a sweep's --jobs, which the sweep starts
// with its pipes as standard input and output (refused at a terminal).
int sweep_worker_command(int argc, char** argv);

}  // namespace soar::cli
