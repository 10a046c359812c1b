" zanfo microassembly: buffer settings.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

" Comments stand in braces and do not nest.
setlocal comments=s:{,e:}
setlocal commentstring={\ %s\ }
" Names are made of letters, digits and underscores.
setlocal iskeyword=@,48-57,_
compiler zanfo

let b:undo_ftplugin = 'setlocal comments< commentstring< iskeyword< makeprg< errorformat<'
