// kandorelle-cli with many scripts, as CI runs it: each script in a process of
// its own, a part of the scripts per CI job (--shard), a time limit per
// script, a JUnit report, a summary line, and an orderly end on SIGINT or
// SIGTERM.
#pragma once

#include <string>
#include <vector>

struct ScriptError;

struct SuiteOptions {
    std::vector<std::string> scripts;
    // The options that every script's own process is started with.
    std::vector<std::string> childArguments;
    std::string junit;   // the report, or empty
    int jobs = 0;        // scripts at once; 0: the number of cores
    int shardIndex = 0;  // 1..shardCount; 0: every script
    int shardCount = 0;
    double timeout = 0;  // seconds per script; 0: none
    bool failFast = false;
};

// Plays the scripts; returns the worst status (0, 1 or 2). Ended by SIGINT
// or SIGTERM, it ends the scripts, writes the report and dies of the signal.
int PlaySuite(const SuiteOptions& options);

// The scripts of shard `index` of `count` (1-based): the distinct paths are
// sorted and dealt out in turn, so shards of the same list never overlap and
// together hold every script; the order given is kept.
std::vector<std::string> ShardOf(const std::vector<std::string>& scripts, int index, int count);

// The file in which a script's own process leaves its outcome for the suite
// (an option that only the suite passes).
inline constexpr char kChildResultOption[] = "--child-result";

// One line of that file: "failure" (the first failed check) or "error", the
// place and the message, separated by tabs.
std::string OutcomeLine(const char* kind, const ScriptError& error);

// How long "N s" reads in messages.
std::string SecondsText(double seconds);
