// The common frame of every handle-taking export: look the handle up, return the
// failure value for an unregistered one, and never let an exception cross the boundary.
#pragma once
#include "api/CSdkChain.h"
#include <exception>

template <class Result, class Operation>
Result WithCamera(int handle, Result failure, Operation &&operation) {
    try {
        CVonkel *camera = CSdkChain::Instance().LookupCamera(handle);
        if (!camera)
            return failure;
        return operation(*camera);
    } catch (...) {
        return failure;
    }
}
