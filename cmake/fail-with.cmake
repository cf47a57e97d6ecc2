# A test that only fails with the message HINT (cmake -DHINT=... -P fail-with.cmake).
message(FATAL_ERROR "${HINT}")
