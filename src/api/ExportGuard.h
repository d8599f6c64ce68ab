// The common frame of every handle-taking export: look the handle up, return the
// failure value for an unregistered one, keep the camera alive while the call runs, and
// never let an exception cross the boundary.
#pragma once
#include "api/CSdkChain.h"
#include <exception>

template <class Result, class Operation>
Result WithCamera(int handle, Result failure, Operation &&operation) {
    try {
        CSdkChain::CCall call(CSdkChain::Instance(), handle);
        if (!call)
            return failure;
        return operation(call.Camera());
    } catch (...) {
        return failure;
    }
}
