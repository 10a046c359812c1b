# prog2.zan leads to src.zan, and so does its output name prog2.mic.
ln -s src.zan prog2.zan
ln -s src.zan prog2.mic
