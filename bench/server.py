#!/usr/bin/python3
"""tools/testserver.py with Nagle's algorithm off on every connection.

The test server writes an answer's head and body separately; on a kept-alive
connection the body then waits for the client's delayed acknowledgement,
about 20 ms per request here, which would make the server the bottleneck of
any case with many small downloads. Both sides of a comparison use this
same server. Arguments are those of tools/testserver.py.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tools"))
import testserver  # noqa: E402

testserver.Handler.disable_nagle_algorithm = True
sys.argv[0] = "testserver.py"
testserver.main()
