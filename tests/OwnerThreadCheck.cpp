// Linked into every test that can reach the database: a connection used from a thread that does
// not own it stops the test, in release builds too.
#include "store/Database.h"

namespace {

const bool ownerThreadChecked = [] {
    talven::Database::checkOwnerThread(true);
    return true;
}();

} // namespace
