#pragma once
// The calling thread's membership of a single-threaded COM apartment, for as long as the guard
// lives. The program's main holds one for the user-interface thread; automation objects must be
// gone before it is.

namespace penwick::com {

class Apartment {
public:
    // Failure (with the system's number) when COM cannot be set up on this thread.
    Apartment();
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
};

}  // namespace penwick::com
