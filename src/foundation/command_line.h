#pragma once

// The one command-line parser of the programs: cxxopts, read in a way that
// lets each program say its own exact messages. Options may come anywhere
// before "--", in the forms "--name value", "--name=value", "-n value" and
// "-nvalue"; every later argument, and every argument that is not an
// option, goes to the positional option named "files".

#include <cxxopts.hpp>

#include <string>
#include <vector>

struct command_line_t {
    cxxopts::ParseResult result; // empty when `missing` is set
    // The first argument taken for an option that `options` does not know,
    // as typed ("-frob", "--frob"), or a flag given a value ("--help=1");
    // empty when there is none. `result` is empty in the second case.
    std::string unknown;
    // The option, as typed, that ends the command line without the value it
    // needs ("-o"); empty when there is none.
    std::string missing;
};

// Parses argv[1..argc) with `options`, which must hold a positional option
// "files" of type std::vector<std::string>. Prints nothing and never throws
// for a user's mistake (both are reported in the result); throws a
// cxxopts exception for a mistake in `options` itself.
command_line_t parseCommandLine(cxxopts::Options& options, int argc, char** argv);

// The files of a parse, in order; empty when none were given.
std::vector<std::string> filesOf(const command_line_t& line);
