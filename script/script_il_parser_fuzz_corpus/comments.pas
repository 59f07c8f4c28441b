{ a } (* b *) // c
begin end.