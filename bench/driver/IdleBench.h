#pragma once

#include "BenchPart.h"

// What Tarrow costs while it waits: its own CPU time while a tool runs that
// prints nothing, as a share of one core, next to Tarrow waiting with no
// tool at all. Nothing touches Tarrow while it is measured.
class IdleBench : public BenchPart {
public:
    using BenchPart::BenchPart;

    void Run();
};
