#pragma once

#include "BenchPart.h"

// Where Tarrow's time goes while it shows a flood: the probe times every
// message the log control gets (by message, and for appends by how much the
// log already held) and Tarrow's own calls of the platform functions it
// makes per chunk or per turn of its loop (reading the pipe, decoding,
// invalidating, waiting, dispatching), so what is left is Tarrow's own code.
class ProfileBench : public BenchPart {
public:
    using BenchPart::BenchPart;

    void Run();
};
