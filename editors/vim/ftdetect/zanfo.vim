" zanfo microassembly sources.
autocmd BufRead,BufNewFile *.zan setfiletype zanfo
