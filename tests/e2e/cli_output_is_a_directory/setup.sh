# The derived output name is taken by a folder.
mkdir prog.mic
