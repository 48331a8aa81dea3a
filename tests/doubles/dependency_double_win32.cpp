// A library a test transfer library imports, built once for each place a test
// puts it, so that the transfer library's record names the copy loaded.
extern "C" const char* j6dep_copy() { return J6_DEP_COPY; }
