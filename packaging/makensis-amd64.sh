#!/bin/sh
# makensis making a 64-bit installer: one that runs where 32-bit programs do not. CPack splits
# its own makensis arguments at blanks, so the target is given here.
exec makensis "-XTarget amd64-unicode" "$@"
