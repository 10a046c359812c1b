" zanfo microassembly sources.
autocmd BufRead,BufNewFile *.zan setfiletype zanfo

" zanfo reads ISO-8859-1: .zan files are read as Latin-1 (even one whose
" bytes would pass for UTF-8) and written back so.
autocmd BufReadPre *.zan if !exists('g:zanfo_fileencodings') | let g:zanfo_fileencodings = &fileencodings | endif | set fileencodings=latin1
autocmd BufReadPost *.zan if exists('g:zanfo_fileencodings') | let &fileencodings = g:zanfo_fileencodings | unlet g:zanfo_fileencodings | endif
autocmd BufNewFile,BufReadPost *.zan setlocal fileencoding=latin1
